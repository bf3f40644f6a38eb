#include "app/AutoUpdater.h"

#include "app/Tarnolix.h"
#include "app/TarnolixAPI.h"
#include "core/Exception.h"
#include "core/ServerConfig.h"
#include "core/Settings.h"
#include "core/TarnolixConstants.h"
#include "core/TranslatorMngr.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QUrl>

#include <exception>

QNetworkAccessManager* programUpdateNetwork(QObject* fallbackOwner)
{
    Tarnolix* app = Tarnolix::instance();
    if (app && app->api() && app->api()->networkManager())
        return app->api()->networkManager();
    auto* own = fallbackOwner->findChild<QNetworkAccessManager*>(QString(), Qt::FindDirectChildrenOnly);
    return own ? own : new QNetworkAccessManager(fallbackOwner);
}

UpdateChecker::UpdateChecker(const QString& listPath, QObject* parent)
    : QObject(parent)
    , m_listPath(listPath)
{
}

bool UpdateChecker::actual() const
{
    ProgramVersion running;
    if (Tarnolix* app = Tarnolix::instance()) {
        try {
            running = programVersionFromString(app->sVersion());
        } catch (const std::exception&) {
        }
    }
    return !programVersionGreater(m_version, running);
}

void UpdateChecker::check()
{
    if (m_performed || m_reply) {
        qWarning("UpdateChecker::check: busy");
        return;
    }
    const Tarnolix* app = Tarnolix::instance();
    const TarnolixConstants::Language language =
        app && app->translatorMngr() ? app->translatorMngr()->language() : TarnolixConstants::Russian;
    const QUrl origin = ServerConfig::load(Settings::current()).updateListOrigin();
    QNetworkRequest request(QUrl(origin.toString() + m_listPath + languageToString(language)));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    m_reply = programUpdateNetwork(this)->get(request);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateChecker::replyFinished);
    setPerformed(true);
}

void UpdateChecker::replyFinished()
{
    QNetworkReply* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply || reply != m_reply)
        return;
    reply->deleteLater();
    m_reply = nullptr;
    try {
        if (reply->error() != QNetworkReply::NoError)
            throw Exception(reply->errorString());
        const QByteArray body = reply->readAll();
        qInfo("UpdateChecker: reply data: %s", body.constData());
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            throw Exception(parseError.errorString());
        if (!document.isObject())
            throw Exception("Invalid json format");
        const QJsonObject object = document.object();
        const ProgramVersion version = programVersionFromString(object.value(QStringLiteral("version")).toString());
        const QString link = object.value(QStringLiteral("url")).toString();
        if (link.isEmpty())
            throw Exception("Update link is empty");
        const QString sha256 = object.value(QStringLiteral("sha256")).toString().toLower();
        if (!sha256.isEmpty() && !QRegularExpression(QStringLiteral("^[0-9a-f]{64}$")).match(sha256).hasMatch())
            throw Exception("Invalid update checksum");
        // Taken together: a refused reply keeps the earlier version, link and checksum.
        if (!programVersionEquals(version, m_version)) {
            m_version = version;
            emit actualChanged();
        }
        m_sha256 = sha256;
        if (link != m_link) {
            m_link = link;
            emit actualVersionLinkChanged();
        }
        setError(false);
        setPerformed(false);
        emit finished();
    } catch (const std::exception& e) {
        qWarning("Check update error: %s", e.what());
        setError(true);
        setPerformed(false);
        emit finished();
    }
}

void UpdateChecker::setPerformed(bool performed)
{
    if (performed == m_performed)
        return;
    m_performed = performed;
    emit performedChanged();
}

void UpdateChecker::setError(bool error)
{
    if (error == m_error)
        return;
    m_error = error;
    emit errorChanged();
}

LinuxAutoUpdater::LinuxAutoUpdater(QObject* parent)
    : AutoUpdater(parent)
    , m_checker(new UpdateChecker(QLatin1String(kListPath), this))
{
    connect(m_checker, &UpdateChecker::finished, this, &LinuxAutoUpdater::updateCheckerFinished);
}

void LinuxAutoUpdater::checkForUpdateInformation()
{
    m_checker->check();
}

void LinuxAutoUpdater::checkForUpdates()
{
    qWarning("LinuxAutoUpdater::checkForUpdates: NOT SUPPORTED");
}

void LinuxAutoUpdater::updateCheckerFinished()
{
    if (m_checker->error())
        emit errorCheckingUpdate();
    else if (m_checker->actual())
        emit notFindUpdate();
    else
        emit findValidUpdate(m_checker->actualVersion());
}
