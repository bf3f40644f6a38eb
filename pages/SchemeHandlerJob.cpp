#include "pages/SchemeHandlerJob.h"

#include "pages/SchemeHandlerException.h"

#include <QDebug>
#include <QMetaObject>

#include <exception>
#include <utility>

SchemeHandlerJob::SchemeHandlerJob(WebEngineContentRequest* request, const UrlCreatorImpl& url, WorkFunction work)
    : m_request(request)
    , m_url(url)
    , m_work(std::move(work))
{
    setAutoDelete(false);
}

void SchemeHandlerJob::run()
{
    try {
        std::tie(m_mimeType, m_data) = m_work(m_url);
    } catch (const SchemeHandlerException& e) {
        qWarning("SchemeHandlerJob: Handle request error: %s", e.what());
        m_code = e.code();
        m_failed = true;
    } catch (const std::exception& e) {
        qWarning("SchemeHandlerJob: Handle request error: %s", e.what());
        m_code = SchemeHandlerException::RequestFailed;
        m_failed = true;
    } catch (...) {
        // Nothing may escape into the pool.
        qWarning("SchemeHandlerJob: Handle request error: unknown exception");
        m_code = SchemeHandlerException::RequestFailed;
        m_failed = true;
    }
    // The last thing this thread does with the job: the GUI thread may delete
    // it as soon as the call is queued.
    QMetaObject::invokeMethod(this, "finished", Qt::QueuedConnection);
}

void SchemeHandlerJob::finished()
{
    if (m_request) {
        if (m_failed)
            m_request->fail(m_code);
        else
            m_request->reply(m_mimeType, m_data);
    } else {
        qWarning("SchemeHandlerJob: job=0");
    }
    deleteLater();
}
