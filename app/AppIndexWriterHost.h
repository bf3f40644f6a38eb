#pragma once
// The application's side of the index writers: the authorisation and the
// update completer as the writer threads may read them from any thread,
// mirrored from the application object on its own thread, and its cipher
// pair and error box.

#include "search/index/IndexWriterHost.h"

#include <atomic>

class Tarnolix;

class AppIndexWriterHost : public tarnolix::IndexWriterHost
{
    Q_OBJECT

public:
    explicit AppIndexWriterHost(Tarnolix& app);
    ~AppIndexWriterHost() override;

    bool isAuthorized() const override { return m_authorized.load(); }
    bool updateCompleterExists() const override { return m_updateCompleter.load(); }
    bool bookTextKeysReady() const override;
    // The library update engine registers its runs here once it exists.
    bool isDatabaseUpdating() const override { return false; }
    void postShowError(const QString& message) override;

private:
    Tarnolix& m_app;
    std::atomic<bool> m_authorized{false};
    std::atomic<bool> m_updateCompleter{false};
};
