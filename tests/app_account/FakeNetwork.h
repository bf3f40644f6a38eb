#pragma once
// Network managers for the client's and the transport's factories: one that
// answers with replies the test drives by hand, and one that records every
// request (and may change it) before the real network carries it.

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <algorithm>
#include <cstring>
#include <functional>

// A reply whose answer the test gives: status and headers, body bytes, the end.
class FakeReply : public QNetworkReply
{
    Q_OBJECT

public:
    FakeReply(QNetworkAccessManager::Operation operation, const QNetworkRequest& request, QObject* parent)
        : QNetworkReply(parent)
    {
        setOperation(operation);
        setRequest(request);
        setUrl(request.url());
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    void respond(int status)
    {
        setAttribute(QNetworkRequest::HttpStatusCodeAttribute, status);
        setRawHeader("Content-Type", "application/json");
        emit metaDataChanged();
    }
    void push(const QByteArray& bytes)
    {
        m_data += bytes;
        m_received += bytes.size();
        emit readyRead();
        emit downloadProgress(m_received, -1);
    }
    void finishWith(NetworkError error = NoError, const QString& text = QString())
    {
        if (isFinished())
            return;
        if (error != NoError) {
            setError(error, text.isEmpty() ? QStringLiteral("fake error %1").arg(int(error)) : text);
            emit errorOccurred(error);
        }
        setFinished(true);
        emit finished();
    }
    void abort() override
    {
        m_aborted = true;
        finishWith(OperationCanceledError, QStringLiteral("Operation canceled"));
    }
    bool aborted() const { return m_aborted; }
    qint64 bytesAvailable() const override { return m_data.size() + QNetworkReply::bytesAvailable(); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = std::min<qint64>(maxSize, m_data.size());
        std::memcpy(data, m_data.constData(), size_t(n));
        m_data.remove(0, int(n));
        return n;
    }

private:
    QByteArray m_data;
    qint64 m_received = 0;
    bool m_aborted = false;
};

class FakeNetworkManager : public QNetworkAccessManager
{
    Q_OBJECT

public:
    // With `fake` every request gets a FakeReply; otherwise the network
    // carries it, after `adjust` has changed it.
    FakeNetworkManager(QObject* parent, bool fake)
        : QNetworkAccessManager(parent)
        , m_fake(fake)
    {
    }

    std::function<void(QNetworkRequest&)> adjust;
    QList<QNetworkRequest> requests;
    QList<QPointer<FakeReply>> replies;

protected:
    QNetworkReply* createRequest(Operation operation, const QNetworkRequest& request,
                                 QIODevice* outgoingData) override
    {
        requests.append(request);
        if (!m_fake) {
            QNetworkRequest changed(request);
            if (adjust)
                adjust(changed);
            return QNetworkAccessManager::createRequest(operation, changed, outgoingData);
        }
        auto* reply = new FakeReply(operation, request, this);
        replies.append(reply);
        return reply;
    }

private:
    bool m_fake;
};
