#include "app/DebugHelper.h"

#include "app/Tarnolix.h"
#include "core/Exception.h"
#include "core/OverrideCursorGuard.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QVariant>

#include <exception>
#include <memory>

DebugHelper::DebugHelper(Tarnolix* app)
    : QObject(app)
    , m_app(app)
{
}

QString DebugHelper::debugScriptPath()
{
    const QString fromEnvironment = qEnvironmentVariable("TARNOLIX_DEBUG_SCRIPT");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QDir::homePath() + QLatin1String("/tarnolix_debug.js");
}

void DebugHelper::runDebugScript()
{
    qDebug("runTestScriptShortcut");
    QObject* tab = m_app->curTabStatus();
    if (!tab) {
        qInfo("curTabStatus=0");
        return;
    }
    QObject* tabItem = tab->property("tabItem").value<QObject*>();
    if (!tabItem) {
        qWarning("tabItem=0");
        return;
    }
    QFile file(debugScriptPath());
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "Open file" << file.fileName() << "error:" << file.errorString();
        return;
    }
    const QByteArray script = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        qWarning("Read file error");
        return;
    }
    qDebug() << "Script size =" << script.size();
    if (!QMetaObject::invokeMethod(tabItem, "runScript", Q_ARG(QVariant, QString::fromUtf8(script))))
        qWarning("call runScript failed");
}

void DebugHelper::deleteAllBooks()
{
    qDebug("DebugHelper::deleteAllBooks");
    OverrideCursorGuard cursor(Qt::WaitCursor);
    std::shared_ptr<TarnolixDB> db;
    try {
        db = currentDatabase();
        db->dropIndexes();
        const std::vector<int> ids = db->selectBookIds();
        if (!m_bookDeleter)
            throw Exception("Deleting books needs the library update engine, which is not built yet");
        m_bookDeleter(*db, ids);
    } catch (const std::exception& e) {
        qWarning("DebugHelper::deleteAllBooks error: %s", e.what());
        m_app->showError(QString::fromUtf8(e.what()));
    }
    if (!db)
        return;
    qDebug("DebugHelper::deleteAllBooks: create indexes...");
    try {
        db->rebuildIndexes();
    } catch (const std::exception& e) {
        qWarning("DebugHelper::deleteAllBooks: create indexes error: %s", e.what());
        m_app->showError(QString::fromUtf8(e.what()));
    }
}

void DebugHelper::addBook()
{
    qDebug("DebugHelper::addBook");
    const QString path =
        QFileDialog::getOpenFileName(nullptr, tr("Выберите архив книги"), QString(), QStringLiteral("Books (*.zip)"));
    if (path.isEmpty())
        return;
    try {
        OverrideCursorGuard cursor(Qt::WaitCursor);
        if (!m_bookSaver)
            throw Exception("Adding a book archive needs the library update engine, which is not built yet");
        m_bookSaver(path);
    } catch (const std::exception& e) {
        qWarning("DebugHelper::addBook error: %s", e.what());
        m_app->showError(QString::fromUtf8(e.what()));
    }
}
