// The program's entry: the start in its fixed order, the crash-report mode,
// then the window and the event loop inside the last line of error handling.

#include "app/Startup.h"
#include "app/Tarnolix.h"
#include "core/LogFileHandler.h"

#include <QCoreApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QUrl>

int main(int argc, char** argv)
{
    // Steps 1 to 7: arguments, names, settings, attributes, scheme, web
    // engine, application object.
    ProgramStart start(argc, argv);
    Tarnolix& app = start.app();

    installLogFileHandler(start.settings(), *app.locationInfo());
    logStartup(start.arguments(), start.settings(), *app.locationInfo());
    QApplication::setWindowIcon(QIcon(QStringLiteral("://icons/WindowIcon.png")));
    // The usage-statistics thread starts here (program id 9) once it exists,
    // and stops before the application object goes.

    if (crashReportModeRequested()) {
        app.sendCrashReport();
        return 0;
    }

    return runGuarded(
        [&app] {
            app.tarnolixCheckSingleInstance();
            const std::unique_ptr<QQmlApplicationEngine> engine = createQmlEngine(app);
            const QUrl root(QStringLiteral("qrc:/main.qml"));
            QObject::connect(
                engine.get(), &QQmlApplicationEngine::objectCreated, &app,
                [root](QObject* object, const QUrl& url) {
                    if (!object && url == root)
                        QCoreApplication::exit(-1);
                },
                Qt::QueuedConnection);
            engine->load(root);
            return QApplication::exec();
        },
        showStartupError);
}
