#pragma once
// Answers every request a tab's web view makes for a "tarnolix" URL: the
// generated pages, cover images and person photos, and the static files
// under "/resource/web/". One per tab, installed in the tab's web profile;
// it runs on the GUI thread. Small pages (the reader page shell, the new-tab
// and redirect pages) are built within the request; the rest by a
// SchemeHandlerJob on the global thread pool, with that thread's library
// connection.
//
// Every failure fails the request with the code of SchemeHandlerException
// (anything else as RequestFailed) and is logged; the reader is not told.

#include "pages/SchemeHandlerJob.h"
#include "pages/UrlSchemeHandler.h"
#include "pages/WebEngineContentRequest.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <utility>

class HTMLCreator;
class SchemeHandlerTab;
class QWebEngineUrlRequestJob;

class TarnolixSchemeHandler : public UrlSchemeHandler
{
    Q_OBJECT
public:
    // `tab` may be null (a view that belongs to no tab); it is borrowed and
    // must outlive the handler, which is normally its child.
    TarnolixSchemeHandler(SchemeHandlerTab* tab, QObject* parent);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

    // The checks and the dispatch by kind of one wrapped request; the request
    // is answered (now or by a job) or failed.
    void dispatchRequest(WebEngineContentRequest* request);

    // Work functions of the jobs (pool thread). The page generator is the
    // one taken on the GUI thread when the request came.
    static SchemeHandlerJob::Result openBookCover(const HTMLCreator& creator, const UrlCreatorImpl& url);
    static SchemeHandlerJob::Result getBookCover(const UrlCreatorImpl& url);
    static SchemeHandlerJob::Result getAuthorPage(const HTMLCreator& creator, const UrlCreatorImpl& url);
    static SchemeHandlerJob::Result getPersonPhoto(const UrlCreatorImpl& url);
    static SchemeHandlerJob::Result glossaryWords(const HTMLCreator& creator, const UrlCreatorImpl& url);
    static SchemeHandlerJob::Result converter(const HTMLCreator& creator, const UrlCreatorImpl& url);

    // A full-text search request (the dispatch's, after the tab was told):
    // the results page of the tab's stored results by a job when the tab's
    // page kind takes them, else the page without results at once. Throws
    // Exception "ERROR 0x54652388" for a request without search settings.
    void fullTextSearch(const RequestData& data);

    // The redirect page to `target`, a "tarnolix" URL as text; another
    // scheme throws SchemeHandlerException code 3.
    static QByteArray redirectPage(const QString& target);

private:
    // GUI thread; throw SchemeHandlerException or any standard exception.
    void processRequest(WebEngineContentRequest& request);
    void tellTab(const QUrl& url);
    void startJob(WebEngineContentRequest& request, const UrlCreatorImpl& url, SchemeHandlerJob::WorkFunction work);
    // A job whose work function reads the page generator.
    using PageWork = SchemeHandlerJob::Result (*)(const HTMLCreator&, const UrlCreatorImpl&);
    void startPageJob(WebEngineContentRequest& request, const UrlCreatorImpl& url, PageWork work);

    void wordByWordSearch(const RequestData& data);
    void glossarySearch(const RequestData& data);
    void favorites(const RequestData& data);

    SchemeHandlerTab* m_tab;
};

// A static page resource: (MIME type, bytes) of the file that a
// "/resource/web/..." path (fully decoded) names under ":/web/". Throws
// SchemeHandlerException code 2 "Resource not found" for a path that leaves
// ":/web/" once cleaned and for a file that cannot be read.
std::pair<QByteArray, QByteArray> readWebResource(const QString& path);
