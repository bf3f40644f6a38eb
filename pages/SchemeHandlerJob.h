#pragma once
// Builds the answer to one request on the global thread pool and hands it
// back to the request on the GUI thread. Made on the GUI thread without a
// parent; the pool does not delete it: it deletes itself once its finish
// step has run there.
//
// The work function runs on a pool thread with its own copy of the request:
// it must use that thread's own library connection (currentDatabase()) and
// no GUI-thread object. Whatever it throws becomes a failed request.

#include "pages/UrlCreatorImpl.h"
#include "pages/WebEngineContentRequest.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QRunnable>
#include <QtGlobal>

#include <functional>
#include <tuple>

class SchemeHandlerJob : public QObject, public QRunnable
{
    Q_OBJECT
public:
    // (MIME type, data) of the reply.
    using Result = std::tuple<QByteArray, QByteArray>;
    using WorkFunction = std::function<Result(const UrlCreatorImpl&)>;

    SchemeHandlerJob(WebEngineContentRequest* request, const UrlCreatorImpl& url, WorkFunction work);

    // Pool thread.
    void run() override;

public slots:
    // GUI thread: replies or fails, unless the request is gone (its tab closed).
    void finished();

private:
    QPointer<WebEngineContentRequest> m_request;
    const UrlCreatorImpl m_url;
    const WorkFunction m_work;
    QByteArray m_mimeType;
    QByteArray m_data;
    qint32 m_code = 1;
    bool m_failed = false;
};
