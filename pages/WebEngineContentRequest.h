#pragma once
// One request of a web view for a "tarnolix" URL, as the scheme handler sees
// it: the engine's job behind a guarded pointer, so that a job the engine
// has dropped (its view navigated away or closed) is never touched. Each
// answer (reply, redirect, fail) ends the wrapper's work: it deletes itself
// later, whether the job was still there or not. GUI thread only.
//
// The six operations are virtual so that tests can stand in for the engine.

#include "pages/UrlCreatorImpl.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWebEngineUrlRequestJob>
#include <QtGlobal>

class WebEngineContentRequest : public QObject
{
    Q_OBJECT
public:
    // `job` may be null (tests); `parent` is the scheme handler.
    WebEngineContentRequest(QWebEngineUrlRequestJob* job, QObject* parent);

    // Empty when the job is gone.
    virtual QByteArray requestMethod() const;
    virtual QUrl requestUrl() const;
    virtual QUrl initiator() const;
    // The data in a buffer owned by the job; nothing is sent when the job is gone.
    virtual void reply(const QByteArray& mimeType, const QByteArray& data);
    virtual void redirect(const QUrl& url);
    // The failure code of SchemeHandlerException, mapped by engineError().
    virtual void fail(qint32 code);

    static QWebEngineUrlRequestJob::Error engineError(qint32 code);

private:
    QPointer<QWebEngineUrlRequestJob> m_job;
};

// What the handler's request functions get: both borrowed for the call.
struct RequestData
{
    WebEngineContentRequest& request;
    const UrlCreatorImpl& url;
};
