#pragma once
// Points the program's settings at a fresh temporary folder, so a test never
// reads or writes the user's real configuration. Header-only on purpose: any
// test executable can include it without linking anything new.

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tarnolix::test {

class SettingsSandbox
{
public:
    SettingsSandbox()
    {
        EXPECT_TRUE(m_dir.isValid()) << m_dir.errorString().toStdString();
        QCoreApplication::setOrganizationName(QStringLiteral("Tarnolix"));
        QCoreApplication::setOrganizationDomain(QStringLiteral("tarnolix.invalid"));
        QCoreApplication::setApplicationName(QStringLiteral("Tarnolix"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }

    // The folder that stands in for the user's configuration folder.
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

} // namespace tarnolix::test
