#pragma once
// Small helpers shared by the test executables.

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <ostream>

// Lets gtest show QStrings in failures as text.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tarnolix::test {

// A temporary directory that fails the test when it cannot be created.
std::unique_ptr<QTemporaryDir> makeTempDir();

// Runs the Qt event loop until pred() holds or timeoutMs passes; returns pred().
bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 5000);

// The build's screenshots/ folder, made on first use. GUI tests write their
// screenshots there, to be looked at.
QString screenshotDir();

} // namespace tarnolix::test
