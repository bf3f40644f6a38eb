// gtest entry point for tests inside the real application object: it is
// built as main builds it (tests/support/AppTestSupport.h), with the
// settings, data and caches of the run in temporary XDG folders.
#include "app/Startup.h"
#include "tests/support/AppTestSupport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

bool makeXdgFolders(const QString& root)
{
    const struct
    {
        const char* variable;
        const char* folder;
    } folders[] = {{"XDG_CONFIG_HOME", "config"},
                   {"XDG_DATA_HOME", "data"},
                   {"XDG_CACHE_HOME", "cache"},
                   {"XDG_STATE_HOME", "state"},
                   {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto& entry : folders) {
        const QString path = root + QLatin1Char('/') + QLatin1String(entry.folder);
        if (!QDir().mkpath(path))
            return false;
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(entry.variable, QFile::encodeName(path));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir root;
    if (!root.isValid() || !makeXdgFolders(root.path())) {
        std::fprintf(stderr, "cannot make the temporary XDG folders\n");
        return 1;
    }
    tarnolix::test::setAppTestRoot(root.path());
    {
        // The interface's source language, so tests see the texts as written.
        QSettings settings(root.path() + QStringLiteral("/config/Tarnolix/Tarnolix.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Language"), QStringLiteral("ru"));
    }
    int result = 0;
    {
        ProgramStart start(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
