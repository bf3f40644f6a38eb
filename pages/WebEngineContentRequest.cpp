#include "pages/WebEngineContentRequest.h"

#include "pages/SchemeHandlerException.h"

#include <QBuffer>

WebEngineContentRequest::WebEngineContentRequest(QWebEngineUrlRequestJob* job, QObject* parent)
    : QObject(parent)
    , m_job(job)
{
}

QByteArray WebEngineContentRequest::requestMethod() const
{
    return m_job ? m_job->requestMethod() : QByteArray();
}

QUrl WebEngineContentRequest::requestUrl() const
{
    return m_job ? m_job->requestUrl() : QUrl();
}

QUrl WebEngineContentRequest::initiator() const
{
    return m_job ? m_job->initiator() : QUrl();
}

void WebEngineContentRequest::reply(const QByteArray& mimeType, const QByteArray& data)
{
    if (m_job) {
        auto* buffer = new QBuffer(m_job);
        buffer->setData(data);
        buffer->open(QIODevice::ReadOnly);
        m_job->reply(mimeType, buffer);
    }
    // Also without a job: the wrapper would otherwise stay until its tab closes.
    deleteLater();
}

void WebEngineContentRequest::redirect(const QUrl& url)
{
    if (m_job)
        m_job->redirect(url);
    deleteLater();
}

void WebEngineContentRequest::fail(qint32 code)
{
    if (m_job)
        m_job->fail(engineError(code));
    deleteLater();
}

QWebEngineUrlRequestJob::Error WebEngineContentRequest::engineError(qint32 code)
{
    switch (code) {
    case SchemeHandlerException::InvalidInitiator:
        return QWebEngineUrlRequestJob::RequestDenied;
    case SchemeHandlerException::NotFound:
        return QWebEngineUrlRequestJob::UrlNotFound;
    case SchemeHandlerException::InvalidRequest:
        return QWebEngineUrlRequestJob::UrlInvalid;
    default:
        return QWebEngineUrlRequestJob::RequestFailed;
    }
}
