#include "pages/TarnolixSchemeHandler.h"

#include "core/Exception.h"
#include "core/ProgramConstants.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "pages/HTMLCreator.h"
#include "pages/PageServices.h"
#include "pages/SchemeHandlerException.h"
#include "pages/SchemeHandlerTab.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QThreadPool>
#include <QWebEngineUrlRequestJob>

#include <exception>

namespace {

[[noreturn]] void notSupported()
{
    throw SchemeHandlerException(SchemeHandlerException::NotFound, "Request not supported");
}

// The account runtime's page generator; throws while none is open.
std::shared_ptr<const HTMLCreator> pageCreator()
{
    std::shared_ptr<const HTMLCreator> creator = pageServices().htmlCreator();
    if (!creator)
        throw Exception("No page generator");
    return creator;
}

SchemeHandlerJob::Result image(const std::pair<int, QByteArray>& stored)
{
    switch (stored.first) {
    case 1:
        return {QByteArray(HttpWord::imageJpeg), stored.second};
    case 2:
        return {QByteArray(HttpWord::imagePng), stored.second};
    default:
        throw Exception("Unknown image format");
    }
}

} // namespace

std::pair<QByteArray, QByteArray> readWebResource(const QString& path)
{
    const auto notFound = []() {
        return SchemeHandlerException(SchemeHandlerException::NotFound, "Resource not found");
    };
    // "/resource/web/x" names ":/web/x"; ".." must not leave the web tree.
    const QString resource = QDir::cleanPath(QLatin1Char(':') + path.mid(int(sizeof("/resource") - 1)));
    if (!resource.startsWith(QLatin1String(":/web/")))
        throw notFound();
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        throw notFound();

    QByteArray mimeType;
    const QString suffix = QFileInfo(resource).suffix().toLower();
    if (suffix == QLatin1String("ttf")) {
        mimeType = QByteArrayLiteral("font/ttf");
    } else if (suffix == QLatin1String("woff2")) {
        mimeType = QByteArrayLiteral("font/woff2");
    } else {
        mimeType = QMimeDatabase().mimeTypeForFile(resource, QMimeDatabase::MatchExtension).name().toLatin1();
        if (mimeType.isEmpty())
            mimeType = QByteArrayLiteral("application/octet-stream");
    }
    return {mimeType, file.readAll()};
}

TarnolixSchemeHandler::TarnolixSchemeHandler(SchemeHandlerTab* tab, QObject* parent)
    : UrlSchemeHandler(parent)
    , m_tab(tab)
{
}

void TarnolixSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    dispatchRequest(new WebEngineContentRequest(job, this));
}

void TarnolixSchemeHandler::dispatchRequest(WebEngineContentRequest* request)
{
    try {
        processRequest(*request);
    } catch (const SchemeHandlerException& e) {
        qWarning() << "TarnolixSchemeHandler: Procces request error:" << e.message() << "url:" << request->requestUrl();
        request->fail(e.code());
    } catch (const std::exception& e) {
        qWarning() << "TarnolixSchemeHandler: Procces request error:" << e.what() << "url:" << request->requestUrl();
        request->fail(SchemeHandlerException::RequestFailed);
    }
}

void TarnolixSchemeHandler::processRequest(WebEngineContentRequest& request)
{
    const QUrl url = request.requestUrl();
    const QByteArray method = request.requestMethod();
    const QUrl initiator = request.initiator();

    if (!initiator.isEmpty() && initiator.scheme() != UrlWord::scheme)
        throw SchemeHandlerException(SchemeHandlerException::InvalidInitiator, "Invalid initiator");
    if (method != HttpWord::get)
        throw SchemeHandlerException(SchemeHandlerException::RequestFailed, "Invalid method");

    const QString path = url.path(QUrl::FullyDecoded);
    if (path.startsWith(QLatin1String(HttpWord::webResourcePrefix))) {
        const auto [mimeType, data] = readWebResource(path);
        request.reply(mimeType, data);
        return;
    }

    const UrlCreatorImpl parsed = UrlCreatorImpl::fromUrl(url);
    qDebug() << "Request:" << method << initiator << url << parsed.toString();
    if (!parsed.isValid())
        throw SchemeHandlerException(SchemeHandlerException::InvalidRequest, "Invalid request");

    const RequestData data{request, parsed};
    switch (parsed.queryType()) {
    case UrlCreator::OpenBook:
    case UrlCreator::OpenBookSlug:
        tellTab(url);
        request.reply(QByteArray(HttpWord::textHtml), pageCreator()->getBookPage());
        break;
    case UrlCreator::OpenBookCover:
        tellTab(url);
        startPageJob(request, parsed, &TarnolixSchemeHandler::openBookCover);
        break;
    case UrlCreator::GetBookCover:
        startJob(request, parsed, &TarnolixSchemeHandler::getBookCover);
        break;
    case UrlCreator::OpenAuthor:
        tellTab(url);
        startPageJob(request, parsed, &TarnolixSchemeHandler::getAuthorPage);
        break;
    case UrlCreator::NewTab:
        tellTab(url);
        request.reply(QByteArray(HttpWord::textHtml), pageCreator()->getNewTabPage());
        break;
    case UrlCreator::FTSearch:
        tellTab(url);
        fullTextSearch(data);
        break;
    case UrlCreator::GetPersonPhoto:
        startJob(request, parsed, &TarnolixSchemeHandler::getPersonPhoto);
        break;
    case UrlCreator::WBWSearch:
        tellTab(url);
        wordByWordSearch(data);
        break;
    case UrlCreator::GlossarySearch:
        tellTab(url);
        glossarySearch(data);
        break;
    case UrlCreator::Redirect:
        request.reply(QByteArray(HttpWord::textHtml), redirectPage(parsed.redirect()));
        break;
    case UrlCreator::Glossary:
        startPageJob(request, parsed, &TarnolixSchemeHandler::glossaryWords);
        break;
    case UrlCreator::Converter:
        startPageJob(request, parsed, &TarnolixSchemeHandler::converter);
        break;
    case UrlCreator::Favorites:
    case UrlCreator::FavoritesSearch:
        tellTab(url);
        favorites(data);
        break;
    default:
        notSupported();
    }
}

void TarnolixSchemeHandler::tellTab(const QUrl& url)
{
    if (m_tab)
        m_tab->setUrl(url);
}

void TarnolixSchemeHandler::startJob(WebEngineContentRequest& request, const UrlCreatorImpl& url,
                                     SchemeHandlerJob::WorkFunction work)
{
    QThreadPool::globalInstance()->start(new SchemeHandlerJob(&request, url, std::move(work)));
}

void TarnolixSchemeHandler::startPageJob(WebEngineContentRequest& request, const UrlCreatorImpl& url, PageWork work)
{
    // Taken here, on the GUI thread: the job keeps the generator alive and
    // never asks the program-wide services from its pool thread.
    std::shared_ptr<const HTMLCreator> creator = pageCreator();
    startJob(request, url, [creator, work](const UrlCreatorImpl& request) { return work(*creator, request); });
}

SchemeHandlerJob::Result TarnolixSchemeHandler::openBookCover(const HTMLCreator& creator, const UrlCreatorImpl& url)
{
    try {
        return {QByteArray(HttpWord::textHtml), creator.getBookCoverPage(url)};
    } catch (const DBNotFound& e) {
        throw Exception(QStringLiteral("openBookCover: Not found: %1").arg(e.message()));
    }
}

SchemeHandlerJob::Result TarnolixSchemeHandler::getBookCover(const UrlCreatorImpl& url)
{
    return image(currentDatabase()->selectBookCover(url.getBookId(), url.language(), true));
}

SchemeHandlerJob::Result TarnolixSchemeHandler::getAuthorPage(const HTMLCreator& creator, const UrlCreatorImpl& url)
{
    try {
        return {QByteArray(HttpWord::textHtml), creator.getAuthorPage(url)};
    } catch (const DBNotFound& e) {
        throw Exception(QStringLiteral("getAuthorPage: Not found: %1").arg(e.message()));
    }
}

SchemeHandlerJob::Result TarnolixSchemeHandler::getPersonPhoto(const UrlCreatorImpl& url)
{
    return image(currentDatabase()->selectPersonPhoto(url.getAuthorId()));
}

SchemeHandlerJob::Result TarnolixSchemeHandler::glossaryWords(const HTMLCreator&, const UrlCreatorImpl&)
{
    notSupported();
}

SchemeHandlerJob::Result TarnolixSchemeHandler::converter(const HTMLCreator&, const UrlCreatorImpl&)
{
    notSupported();
}

void TarnolixSchemeHandler::fullTextSearch(const RequestData& data)
{
    if (!data.url.searchSettings())
        throw Exception("ERROR 0x54652388");
    if (!m_tab)
        notSupported();
    SchemeHandlerTab::FullTextAnswer answer = m_tab->fullTextSearch(data.url, data.request.requestUrl());
    if (answer.work)
        startJob(data.request, data.url, std::move(answer.work));
    else
        data.request.reply(QByteArray(HttpWord::textHtml), answer.page);
}

void TarnolixSchemeHandler::wordByWordSearch(const RequestData&)
{
    notSupported();
}

void TarnolixSchemeHandler::glossarySearch(const RequestData&)
{
    notSupported();
}

void TarnolixSchemeHandler::favorites(const RequestData&)
{
    notSupported();
}

QByteArray TarnolixSchemeHandler::redirectPage(const QString& target)
{
    const QUrl url(target, QUrl::TolerantMode);
    // A page may only send its view on to another page of ours.
    if (!url.isValid() || url.scheme() != UrlWord::scheme)
        throw SchemeHandlerException(SchemeHandlerException::InvalidRequest, "Invalid request");
    QByteArray page = QByteArrayLiteral(
        "<!doctype html><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" content=\"0; URL=");
    page += QString::fromLatin1(url.toEncoded(QUrl::FullyEncoded)).toHtmlEscaped().toUtf8();
    page += "\" />";
    return page;
}
