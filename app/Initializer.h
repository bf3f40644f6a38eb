#pragma once
// The refresh of a signed-in or restored account: GET "/user" and whether
// the server's record is still this account. Deletes itself once finished.

#include <QObject>

class Tarnolix;

class Initializer : public QObject
{
    Q_OBJECT

public:
    // A child of `app`. Without `loadUser` it finishes at once (true).
    Initializer(bool loadUser, Tarnolix* app);

    bool isFinished() const { return m_finished; }
    bool accountMatches() const { return m_accountMatches; }
    int requestId() const { return m_requestId; }

signals:
    void finished(bool accountMatches);

public slots:
    void apiReceived(int id);

private:
    void finish();

    Tarnolix* m_app;
    bool m_finished = false;
    bool m_accountMatches = true;
    int m_requestId = 0;
};
