#pragma once
// The program's start, in steps that main (app/main.cpp) and the in-process
// tests share, so both build the same application object the same way.

#include <QString>
#include <QVector>
#include <Qt>

#include <functional>
#include <memory>
#include <vector>

class LocationInfo;
class QQmlApplicationEngine;
class Settings;
class Tarnolix;

// The argument the web engine reads for smooth scrolling; always last.
extern const char kSmoothScrollingArgument[]; // "--enable-smooth-scrolling"

// argv with kSmoothScrollingArgument appended (and a closing null pointer);
// count() is argc + 1 and is handed to the application object by reference.
class ProgramArguments
{
public:
    ProgramArguments(int argc, char** argv);

    int& count() { return m_count; }
    char** vector() { return m_vector.data(); }
    // The entries, the appended one included.
    std::vector<const char*> entries() const;

private:
    std::vector<char*> m_vector;
    int m_count;
};

// Organisation "Tarnolix", application "Tarnolix", domain "tarnolix.invalid":
// they place the settings file (~/.config/Tarnolix/Tarnolix.conf).
void setApplicationNames();

// The Qt attributes of the start, in the order they are set: OpenGL ES only
// when asked for, then always no Qt high-DPI scaling (the interface scales
// itself), high-DPI pixmaps and shared OpenGL contexts.
QVector<Qt::ApplicationAttribute> applicationAttributes(bool useOpenGLES);
void setApplicationAttributes(const Settings& settings);

// Steps 1 to 7 of the start: names, settings, attributes, the "tarnolix"
// scheme, the web engine, then the application object. The objects live as
// long as this; they go in reverse order (application object, settings).
class ProgramStart
{
public:
    ProgramStart(int argc, char** argv);
    ~ProgramStart();

    ProgramStart(const ProgramStart&) = delete;
    ProgramStart& operator=(const ProgramStart&) = delete;

    ProgramArguments& arguments() { return m_arguments; }
    Settings& settings() { return *m_settings; }
    Tarnolix& app() { return *m_app; }

private:
    ProgramArguments m_arguments;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<Tarnolix> m_app;
};

// The start's log lines: the build with the arguments, the settings file,
// the data locations.
void logStartup(const ProgramArguments& arguments, const Settings& settings, const LocationInfo& locations);

// Whether the program was started as the crash-report sender ("--SENDREPORT").
bool crashReportModeRequested();

// The QML engine of the program with everything its interface needs before
// the root file loads: image provider, fonts, meta types, the module
// "Tarnolix" and the re-translation on every change of the interface language.
std::unique_ptr<QQmlApplicationEngine> createQmlEngine(Tarnolix& app);

// Runs `block` and turns an exception that leaves it into main's exit code,
// logged critical: the program's Exception -2 and any other standard
// exception -3, each shown with `showMessage`; anything else -4, not shown.
int runGuarded(const std::function<int()>& block, const std::function<void(const QString&)>& showMessage);

// The message box of an exception that reaches main.
void showStartupError(const QString& text);
