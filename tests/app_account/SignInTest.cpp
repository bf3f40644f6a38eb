// Sign-in, the remembered account and the start-up states, inside the real
// application object with the stand-in as the account server.
#include "app/AccountSettings.h"
#include "app/Tarnolix.h"
#include "app/TarnolixAPI.h"
#include "app/UserObject.h"
#include "core/BookRecords.h"
#include "core/CipherKeyPair.h"
#include "core/TarnolixConstants.h"
#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"
#include "tests/app_account/AccountTestSupport.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QQuickWindow>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using namespace tarnolix::test;

const QString kOtherAccountText = QStringLiteral(
    "Сохранённая сессия принадлежит другому аккаунту. Книги не удалены. Закройте приложение и войдите снова.");

Settings& settings()
{
    return *app().settings();
}

// What the login form does with a sign-in request and its result.
bool signIn(const QString& email, const QString& password, bool remember)
{
    TarnolixAPI& api = *app().api();
    const int id = api.postMultiPart(QStringLiteral("/auth/login"),
                                     QVariantMap{{QStringLiteral("email"), email},
                                                 {QStringLiteral("password"), password}});
    TarnolixAPIResult* result = waitForResult(api, id);
    if (!result) {
        ADD_FAILURE() << "no answer to the sign-in";
        return false;
    }
    app().user()->fromResult(result);
    const QString token = result->getToken();
    const bool success = result->isSuccess();
    api.removeResult(id);
    if (!success || app().user()->id() == 0 || token.isEmpty())
        return false;
    api.setToken(token);
    settings().setValue(QLatin1String(AccountSettings::kLastLoginEmail), email);
    return app().loginApplication(remember);
}

// The settings a previous run leaves for a remembered account, its token
// enciphered as that run did. Returns the token.
QString rememberAccount(const QString& email, const QString& password, const QString& storedEmail = QString())
{
    TarnolixAPI api;
    const int id = api.postMultiPart(QStringLiteral("/auth/login"),
                                     QVariantMap{{QStringLiteral("email"), email},
                                                 {QStringLiteral("password"), password}});
    TarnolixAPIResult* result = waitForResult(api, id);
    if (!result || !result->isSuccess()) {
        ADD_FAILURE() << "no sign-in for " << email.toStdString();
        return QString();
    }
    User user;
    userFromJson(user, result->apiResultGetValue().toObject());
    if (!storedEmail.isEmpty())
        user.setEmail(storedEmail);
    CipherKeyPair keys;
    keys.setKeyFromString(user.email());
    keys.setIvFromString(app().locationInfo()->dataLocation());
    const QString token = result->getToken();
    AccountSettings::storeUser(settings(), user);
    AccountSettings::recordAiAccessCheck(settings(), user.aiAccess(), QDateTime::currentMSecsSinceEpoch());
    settings().setValue(QLatin1String(AccountSettings::kToken), AccountSettings::encipherToken(keys, token));
    settings().sync();
    return token;
}

void storeToken(const QString& email, const QByteArray& clearText)
{
    CipherKeyPair keys;
    keys.setKeyFromString(email);
    keys.setIvFromString(app().locationInfo()->dataLocation());
    settings().setValue(QLatin1String(AccountSettings::kToken), keys.encryptCopy(clearText));
}

// Runs `change` on the library of `email`, opened for it alone.
void changeLibrary(const QString& email, const std::function<void(TarnolixDB&)>& change)
{
    ASSERT_TRUE(openAccountRuntime(email));
    change(*app().guiDatabase());
    ASSERT_TRUE(logoutAndWait());
}

QString libraryOwner()
{
    return app().guiDatabase()->getSettingOr(QLatin1String(LibrarySettingsKeys::DBOwned), QString()).toString();
}

// Every test starts signed out, with no remembered account.
class SignInTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(app().runtimeReady());
        ASSERT_FALSE(app().startupRestartRequired());
        settings().remove(QLatin1String(AccountSettings::kToken));
        settings().remove(QLatin1String(AccountSettings::kUserGroup));
        app().api()->setToken(QString());
        app().user()->clear();
    }
    void TearDown() override
    {
        standinControl(origin(), "DELETE", QStringLiteral("faults"));
        for (const QString& email : {kReaderEmail, kPupilEmail}) {
            standinControl(origin(), "POST", QStringLiteral("accounts"),
                           QJsonObject{{QStringLiteral("email"), email}, {QStringLiteral("blocked"), false}});
        }
        standinControl(origin(), "POST", QStringLiteral("accounts"),
                       QJsonObject{{QStringLiteral("email"), kReaderEmail},
                                   {QStringLiteral("subscribe_level"), QStringLiteral("full")}});
        EXPECT_TRUE(logoutAndWait());
    }

    // Waits for the refresh that startApplication began to end one way or
    // the other.
    static bool waitForRefresh(QSignalSpy& ready)
    {
        return waitUntilDeleted(
            [&] { return (ready.count() > 0 || app().startupRestartRequired()) && !app().initializer(); }, 20000);
    }
};

TEST_F(SignInTest, TheSampleAccountSignsInAndItsTokenIsKeptEnciphered)
{
    QSignalSpy ready(&app(), &Tarnolix::startupReady);
    const qint64 before = standinRequests(origin()).size();
    ASSERT_TRUE(signIn(kReaderEmail, kReaderPassword, true));
    EXPECT_EQ(ready.count(), 1);
    ASSERT_TRUE(app().runtimeReady());
    EXPECT_EQ(libraryOwner(), kReaderEmail);
    EXPECT_EQ(app().user()->id(), 7);
    EXPECT_EQ(app().user()->subscribeLevel(), QStringLiteral("full"));

    const QString token = app().api()->token();
    const QByteArray stored = settings().value(QLatin1String(AccountSettings::kToken)).toByteArray();
    ASSERT_FALSE(stored.isEmpty());
    EXPECT_FALSE(stored.contains(token.toUtf8()));
    EXPECT_EQ(AccountSettings::decipherToken(app().cipherKeyPair(), stored), std::optional<QString>(token));
    EXPECT_EQ(settings().value(QStringLiteral("User/id")).toInt(), 7);
    EXPECT_EQ(settings().value(QStringLiteral("User/email")).toString(), kReaderEmail);
    EXPECT_TRUE(settings().value(QStringLiteral("User/aiAccess")).toBool());
    EXPECT_GT(settings().value(QLatin1String(AccountSettings::kAiAccessVerifiedAt)).toLongLong(), 0);

    // The account refresh asks "/user" with the token.
    ASSERT_TRUE(waitUntil([] { return !app().initializer(); }, 20000));
    const QJsonArray requests = standinRequests(origin());
    bool refreshed = false;
    for (qsizetype i = before; i < requests.size(); ++i) {
        const QJsonObject request = requests.at(int(i)).toObject();
        refreshed |= request.value(QStringLiteral("path")).toString() == QLatin1String("/user") &&
                     loggedHeader(request, QStringLiteral("Api-Authorization")).toString() == token;
    }
    EXPECT_TRUE(refreshed);
    EXPECT_EQ(ready.count(), 1) << "the sign-in's refresh shows no second main window";

    // The file that holds the token and its key's sources is the owner's only,
    // also after later writes.
    const QString file = settings().fileName();
    // Owner, group and others, as chmod sees them.
    const auto mode = [](const QString& path) { return int(QFileInfo(path).permissions() & 0x0777); };
    EXPECT_EQ(mode(file), 0x0600);
    EXPECT_EQ(mode(QFileInfo(file).absolutePath()), 0x0700);
    settings().setValue(QStringLiteral("Window/width"), 1000);
    settings().sync();
    EXPECT_EQ(mode(file), 0x0600);
}

// The login form's part, from QML: the request, its result and the user.
TEST_F(SignInTest, QmlSendsTheSignInAndReadsItsResult)
{
    QmlWindow window;
    const QString qml = QStringLiteral(R"qml(
import QtQuick 2.15
import QtQuick.Window 2.15
import Tarnolix 1.0
Window {
    id: root
    property int requestId: 0
    property int resultId: 0
    property bool success: false
    property string token: ""
    Connections {
        target: Tarnolix.api
        function onReceived(id) {
            if (id !== root.requestId)
                return
            var result = Tarnolix.api.getResult(id)
            root.resultId = result.id
            root.success = result.isSuccess()
            root.token = result.getToken()
            Tarnolix.user.fromResult(result)
            Tarnolix.api.removeResult(id)
        }
    }
    Component.onCompleted: requestId = Tarnolix.api.postMultiPart("/auth/login",
                                                                   { "password": "%1", "email": "%2" })
}
)qml").arg(kPupilPassword, kPupilEmail);
    ASSERT_TRUE(window.loadData(qml.toUtf8())) << window.warnings().join(QLatin1Char('\n')).toStdString();
    QQuickWindow* root = window.window();
    ASSERT_TRUE(waitUntil([&] { return root->property("resultId").toInt() != 0; }, 15000));
    EXPECT_EQ(root->property("resultId"), root->property("requestId"));
    EXPECT_TRUE(root->property("success").toBool());
    EXPECT_FALSE(root->property("token").toString().isEmpty());
    EXPECT_EQ(app().user()->email(), kPupilEmail);
    EXPECT_EQ(app().user()->subscribeLevel(), QStringLiteral("basic"));
    EXPECT_FALSE(app().user()->aiAccess());
    EXPECT_TRUE(window.warnings().isEmpty()) << window.warnings().join(QLatin1Char('\n')).toStdString();
    const int id = root->property("requestId").toInt();
    EXPECT_TRUE(waitUntilDeleted([&] { return app().api()->getResult(id) == nullptr; }));
}

TEST_F(SignInTest, TheNextStartRestoresTheAccountAndRefreshesIt)
{
    const QString token = rememberAccount(kReaderEmail, kReaderPassword);
    // The server changed the account meanwhile.
    standinControl(origin(), "POST", QStringLiteral("accounts"),
                   QJsonObject{{QStringLiteral("email"), kReaderEmail},
                               {QStringLiteral("subscribe_level"), QStringLiteral("basic")}});
    QSignalSpy activity(&app(), &Tarnolix::startupActivity);
    QSignalSpy ready(&app(), &Tarnolix::startupReady);
    QSignalSpy loginRequired(&app(), &Tarnolix::startupLoginRequired);
    QSignalSpy tokenLoaded(&app(), &Tarnolix::tokenLoaded);

    app().startApplication();
    EXPECT_EQ(activity.count(), 1);
    EXPECT_EQ(app().startupPhase(), QStringLiteral("fresh-identity"));
    EXPECT_TRUE(app().startupBusy());
    EXPECT_EQ(ready.count(), 0) << "the main window waits for the refresh";
    EXPECT_EQ(tokenLoaded.count(), 1);
    EXPECT_EQ(app().api()->token(), token);
    EXPECT_TRUE(app().runtimeReady());

    ASSERT_TRUE(waitForRefresh(ready));
    EXPECT_EQ(ready.count(), 1);
    EXPECT_EQ(loginRequired.count(), 0);
    EXPECT_FALSE(app().startupBusy());
    EXPECT_FALSE(app().startupRestartRequired());
    EXPECT_EQ(app().user()->subscribeLevel(), QStringLiteral("basic"));
    EXPECT_EQ(settings().value(QStringLiteral("User/subscribeLevel")).toString(), QStringLiteral("basic"))
        << "a changed record of a remembered account is stored";
}

TEST_F(SignInTest, TheRefreshDecidesWhetherTheRememberedLibraryOpens)
{
    struct Case
    {
        const char* what;
        std::function<void()> arm;
        bool opens;
    };
    const Case cases[] = {
        {"server error 500",
         [] {
             standinControl(origin(), "POST", QStringLiteral("faults"),
                            QJsonObject{{QStringLiteral("plan"), QStringLiteral("mode=status,code=500,path=/user")}});
         },
         true},
        {"401: tokens revoked",
         [] {
             standinControl(origin(), "POST", QStringLiteral("accounts"),
                            QJsonObject{{QStringLiteral("email"), kReaderEmail},
                                        {QStringLiteral("revoke_tokens"), true}});
         },
         false},
        {"403: account blocked",
         [] {
             standinControl(origin(), "POST", QStringLiteral("accounts"),
                            QJsonObject{{QStringLiteral("email"), kReaderEmail}, {QStringLiteral("blocked"), true}});
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString token = rememberAccount(kReaderEmail, kReaderPassword);
        c.arm();
        QSignalSpy ready(&app(), &Tarnolix::startupReady);
        MessageLog log;
        app().startApplication();
        ASSERT_TRUE(waitForRefresh(ready));
        EXPECT_TRUE(app().runtimeReady());
        if (c.opens) {
            EXPECT_EQ(ready.count(), 1);
            EXPECT_FALSE(app().startupRestartRequired());
            EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Could not refresh saved account")));
            EXPECT_EQ(app().api()->token(), token);
            EXPECT_TRUE(settings().contains(QLatin1String(AccountSettings::kToken)));
            EXPECT_EQ(settings().value(QStringLiteral("User/id")).toInt(), 7);
        } else {
            EXPECT_EQ(ready.count(), 0);
            EXPECT_TRUE(app().startupRestartRequired());
            EXPECT_EQ(app().startupError(), kOtherAccountText);
            EXPECT_FALSE(app().startupBusy());
            EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Saved account session rejected")));
            EXPECT_FALSE(settings().contains(QLatin1String(AccountSettings::kToken)));
            EXPECT_FALSE(settings().contains(QStringLiteral("User/id")));
            EXPECT_EQ(app().api()->token(), QString());
            EXPECT_EQ(app().user()->id(), 0);
            EXPECT_TRUE(app().cipherKeyPair().key().isEmpty());
            // Nothing signs in behind the restart-required page.
            EXPECT_FALSE(app().loginApplication(true));
        }
        TearDown();
        SetUp();
    }
}

TEST_F(SignInTest, ATokenOfAnotherAccountIsRefused)
{
    // The remembered user is the reader; the token is the pupil's.
    const QString token = rememberAccount(kPupilEmail, kPupilPassword);
    User reader = AccountSettings::loadUser(settings(), QDateTime::currentMSecsSinceEpoch());
    reader.setId(7);
    reader.setEmail(kReaderEmail);
    AccountSettings::storeUser(settings(), reader);
    CipherKeyPair keys;
    keys.setKeyFromString(kReaderEmail);
    keys.setIvFromString(app().locationInfo()->dataLocation());
    settings().setValue(QLatin1String(AccountSettings::kToken), AccountSettings::encipherToken(keys, token));
    QSignalSpy ready(&app(), &Tarnolix::startupReady);
    MessageLog log;
    app().startApplication();
    ASSERT_TRUE(waitForRefresh(ready));
    EXPECT_EQ(ready.count(), 0);
    EXPECT_TRUE(app().startupRestartRequired());
    EXPECT_EQ(app().startupError(), kOtherAccountText);
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("Restored token belongs to a different account")));
    EXPECT_FALSE(settings().contains(QLatin1String(AccountSettings::kToken)));
}

TEST_F(SignInTest, ARememberedTokenThatDoesNotDecipherAsksForASignIn)
{
    struct Case
    {
        const char* what;
        std::function<void()> store;
    };
    const Case cases[] = {
        {"no \"Token:\" in front", [] { storeToken(kReaderEmail, "Tokn:abcdef"); }},
        {"just \"Token:\"", [] { storeToken(kReaderEmail, "Token:"); }},
        {"another e-mail's key", [] { storeToken(kPupilEmail, "Token:abcdef"); }},
        {"not enciphered at all", [] { settings().setValue(QLatin1String(AccountSettings::kToken), "Token:abcdef"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rememberAccount(kReaderEmail, kReaderPassword);
        c.store();
        QSignalSpy loginRequired(&app(), &Tarnolix::startupLoginRequired);
        QSignalSpy tokenLoaded(&app(), &Tarnolix::tokenLoaded);
        MessageLog log;
        app().startApplication();
        EXPECT_EQ(loginRequired.count(), 1);
        EXPECT_EQ(tokenLoaded.count(), 0);
        EXPECT_FALSE(app().runtimeReady());
        EXPECT_EQ(app().api()->token(), QString());
        EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("loadTokenAndUserAndInit: WARN1")));
        EXPECT_TRUE(app().cipherKeyPair().key().isEmpty());
    }
}

TEST(AccountSettingsTest, AiAccessCountsForOneDayAfterItsCheck)
{
    const qint64 now = 1700000000000;
    struct Case
    {
        bool stored;
        qint64 verifiedAt;
        bool granted;
    };
    const Case cases[] = {
        {true, now - 86400000, true},  {true, now - 86400001, false}, {true, now, true},
        {true, now + 1, false},        {true, 0, false},              {true, -5, false},
        {false, now - 1000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored << " " << now - c.verifiedAt);
        EXPECT_EQ(AccountSettings::aiAccessStillVerified(c.stored, c.verifiedAt, now), c.granted);
        QTemporaryDir dir;
        QSettings stored(dir.filePath(QStringLiteral("s.conf")), QSettings::IniFormat);
        stored.setValue(QStringLiteral("User/aiAccess"), c.stored);
        stored.setValue(QLatin1String(AccountSettings::kAiAccessVerifiedAt), c.verifiedAt);
        EXPECT_EQ(AccountSettings::loadUser(stored, now).aiAccess(), c.granted);
    }
}

TEST_F(SignInTest, OwnerEmailsDifferingInCaseMatch)
{
    changeLibrary(kReaderEmail, [](TarnolixDB& db) {
        db.setSetting(QLatin1String(LibrarySettingsKeys::DBOwned), QStringLiteral("Reader@TARNOLIX.invalid"));
    });
    ASSERT_TRUE(signIn(kReaderEmail, kReaderPassword, false));
    EXPECT_EQ(libraryOwner(), QStringLiteral("Reader@TARNOLIX.invalid"));
    ASSERT_TRUE(waitUntil([] { return !app().initializer(); }, 20000));
    ASSERT_TRUE(logoutAndWait());
    changeLibrary(kReaderEmail, [](TarnolixDB& db) {
        db.setSetting(QLatin1String(LibrarySettingsKeys::DBOwned), kReaderEmail);
    });
}

TEST_F(SignInTest, WithoutRememberMeOnlyTheAiAccessCheckIsWritten)
{
    // A level changed between the sign-in and its refresh changes the user,
    // yet nothing of the account is remembered.
    standinControl(origin(), "POST", QStringLiteral("faults"),
                   QJsonObject{{QStringLiteral("plan"), QStringLiteral("mode=delay,delay_ms=1000,path=/user,count=1")}});
    ASSERT_TRUE(signIn(kReaderEmail, kReaderPassword, false));
    standinControl(origin(), "POST", QStringLiteral("accounts"),
                   QJsonObject{{QStringLiteral("email"), kReaderEmail},
                               {QStringLiteral("subscribe_level"), QStringLiteral("basic")}});
    ASSERT_TRUE(waitUntil([] { return !app().initializer(); }, 20000));
    EXPECT_EQ(app().user()->subscribeLevel(), QStringLiteral("basic"));
    EXPECT_FALSE(settings().contains(QLatin1String(AccountSettings::kToken)));
    settings().beginGroup(QLatin1String(AccountSettings::kUserGroup));
    const QStringList userKeys = settings().childKeys();
    settings().endGroup();
    EXPECT_EQ(userKeys, QStringList{QStringLiteral("aiAccessVerifiedAt")});
    ASSERT_TRUE(logoutAndWait());

    // An account without AI access removes an earlier check time.
    settings().setValue(QLatin1String(AccountSettings::kAiAccessVerifiedAt), 12345);
    ASSERT_TRUE(signIn(kPupilEmail, kPupilPassword, false));
    EXPECT_FALSE(app().user()->aiAccess());
    EXPECT_FALSE(settings().contains(QLatin1String(AccountSettings::kAiAccessVerifiedAt)));
    EXPECT_FALSE(settings().contains(QLatin1String(AccountSettings::kToken)));
    ASSERT_TRUE(waitUntil([] { return !app().initializer(); }, 20000));
}

TEST_F(SignInTest, AnOwnerlessLibraryWithBooksIsRefusedAndAnotherAccountSignsIn)
{
    const auto makeOwnerless = [](TarnolixDB& db) {
        db.execSql(QStringLiteral("DELETE FROM Settings WHERE key=?"),
                   QVariantList{QLatin1String(LibrarySettingsKeys::DBOwned)});
        BookInfo book;
        book.bookId = 900;
        book.language = languageList().constFirst();
        book.name = QStringLiteral("Book left by nobody");
        db.insertBookInfo(book);
    };
    changeLibrary(kPupilEmail, makeOwnerless);
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    QSignalSpy ready(&app(), &Tarnolix::startupReady);
    ASSERT_FALSE(signIn(kPupilEmail, kPupilPassword, true));
    ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }));
    EXPECT_EQ(errors.at(0).at(1).toString(), QStringLiteral("ERROR 0x87895521"));
    EXPECT_EQ(ready.count(), 0);
    // The refused library is closed again, its paths released.
    EXPECT_FALSE(app().runtimeReady());
    EXPECT_FALSE(app().locationInfo()->isAccountSelected());
    EXPECT_FALSE(app().startupRestartRequired());
    EXPECT_FALSE(settings().contains(QLatin1String(AccountSettings::kToken)));

    ASSERT_TRUE(signIn(kReaderEmail, kReaderPassword, false));
    EXPECT_EQ(ready.count(), 1);
    EXPECT_EQ(libraryOwner(), kReaderEmail);
    ASSERT_TRUE(waitUntil([] { return !app().initializer(); }, 20000));
    ASSERT_TRUE(logoutAndWait());

    // A remembered account whose library is refused: the restart-required
    // page, with nothing left open behind it.
    rememberAccount(kPupilEmail, kPupilPassword);
    errors.clear();
    app().startApplication();
    EXPECT_TRUE(app().startupRestartRequired());
    EXPECT_FALSE(app().startupError().isEmpty());
    EXPECT_FALSE(app().runtimeReady());
    EXPECT_FALSE(app().locationInfo()->isAccountSelected());
    ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }));
    EXPECT_EQ(errors.at(0).at(1).toString(), QStringLiteral("ERROR 0x87895521"));
    ASSERT_TRUE(logoutAndWait());

    // The pupil's library belongs to the pupil again for later tests.
    changeLibrary(kPupilEmail, [](TarnolixDB& db) {
        db.setSetting(QLatin1String(LibrarySettingsKeys::DBOwned), kPupilEmail);
    });
}

TEST_F(SignInTest, ALibraryThatCannotOpenRequiresARestart)
{
    // Without an e-mail no account library can be selected.
    app().user()->setId(5);
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    MessageLog log;
    EXPECT_FALSE(app().loginApplication(true));
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("Cannot open authenticated account library")));
    EXPECT_TRUE(app().startupRestartRequired());
    ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }));
    EXPECT_EQ(errors.at(0).at(1).toString(),
              QStringLiteral("Не удалось открыть библиотеку аккаунта. Данные сохранены; закройте и повторно "
                             "откройте приложение."));
    EXPECT_FALSE(signIn(kReaderEmail, kReaderPassword, true)) << "every later sign-in is refused";
    EXPECT_FALSE(app().runtimeReady());
}

} // namespace
