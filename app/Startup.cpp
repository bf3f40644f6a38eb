#include "app/Startup.h"

#include "app/ApplicationFonts.h"
#include "app/QmlRegistration.h"
#include "app/Tarnolix.h"
#include "app/TintedImageProvider.h"
#include "core/Exception.h"
#include "core/LocationInfo.h"
#include "core/Settings.h"
#include "core/TranslatorMngr.h"
#include "pages/TarnolixScheme.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>
#include <QQmlApplicationEngine>
#include <QtWebEngine>

#include <exception>
#include <mutex>

const char kSmoothScrollingArgument[] = "--enable-smooth-scrolling";

ProgramArguments::ProgramArguments(int argc, char** argv)
    : m_count(argc + 1)
{
    m_vector.reserve(std::size_t(argc) + 2);
    m_vector.assign(argv, argv + argc);
    // Qt WebEngine reads its own switches from the application's arguments.
    m_vector.push_back(const_cast<char*>(kSmoothScrollingArgument));
    m_vector.push_back(nullptr);
}

std::vector<const char*> ProgramArguments::entries() const
{
    return std::vector<const char*>(m_vector.begin(), m_vector.end() - 1);
}

void setApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnolix"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarnolix"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tarnolix.invalid"));
}

QVector<Qt::ApplicationAttribute> applicationAttributes(bool useOpenGLES)
{
    QVector<Qt::ApplicationAttribute> attributes;
    if (useOpenGLES)
        attributes.append(Qt::AA_UseOpenGLES);
    attributes << Qt::AA_DisableHighDpiScaling << Qt::AA_UseHighDpiPixmaps << Qt::AA_ShareOpenGLContexts;
    return attributes;
}

void setApplicationAttributes(const Settings& settings)
{
    for (const Qt::ApplicationAttribute attribute : applicationAttributes(settings.useOpenGLES()))
        QCoreApplication::setAttribute(attribute);
}

ProgramStart::ProgramStart(int argc, char** argv)
    : m_arguments(argc, argv)
{
    setApplicationNames();
    m_settings = std::make_unique<Settings>();
    Settings::setCurrent(m_settings.get());
    setApplicationAttributes(*m_settings);
    // The web engine must know the scheme before it starts.
    registerTarnolixScheme();
    QtWebEngine::initialize();
    m_app = std::make_unique<Tarnolix>(m_arguments.count(), m_arguments.vector(), m_settings.get());
}

ProgramStart::~ProgramStart()
{
    m_app.reset();
    m_settings.reset();
}

void logStartup(const ProgramArguments& arguments, const Settings& settings, const LocationInfo& locations)
{
    qInfo() << "Tarnolix 2.1.27.0 Linux build" << arguments.entries();
    qInfo() << "Settings file" << settings.format() << settings.scope() << settings.fileName();
    qInfo() << "Data locations" << locations.dataLocation();
}

bool crashReportModeRequested()
{
    QCommandLineParser parser;
    parser.addOption(QCommandLineOption(QStringLiteral("SENDREPORT")));
    // The sender's other arguments (the dumps, the web engine's switch) are
    // not ours to refuse.
    parser.parse(QCoreApplication::arguments());
    return parser.isSet(QStringLiteral("SENDREPORT"));
}

std::unique_ptr<QQmlApplicationEngine> createQmlEngine(Tarnolix& app)
{
    auto engine = std::make_unique<QQmlApplicationEngine>();
    engine->addImageProvider(QStringLiteral("tinted-svg"), new TintedImageProvider);
    // Once per process: tests make an engine per window.
    static std::once_flag fontsOnce;
    std::call_once(fontsOnce, [] { loadApplicationFonts(); });
    registerMetaTypes();
    registerQmlTypes(&app);
    QObject::connect(app.translatorMngr(), &TranslatorMngr::languageChanged, engine.get(), &QQmlEngine::retranslate,
                     Qt::DirectConnection);
    return engine;
}

int runGuarded(const std::function<int()>& block, const std::function<void(const QString&)>& showMessage)
{
    // Exception first: it is a standard exception too.
    try {
        return block();
    } catch (const Exception& e) {
        qCritical("main: Error: %s", e.what());
        showMessage(QString::fromUtf8(e.what()));
        return -2;
    } catch (const std::exception& e) {
        qCritical("main: Unknown exception: %s", e.what());
        showMessage(QString::fromUtf8(e.what()));
        return -3;
    } catch (...) {
        qCritical("main: Unknown exception");
        return -4;
    }
}

void showStartupError(const QString& text)
{
    QMessageBox::warning(nullptr, QString(), text, QMessageBox::Ok);
}
