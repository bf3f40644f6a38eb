#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

namespace tarnolix::test {

std::unique_ptr<QTemporaryDir> makeTempDir()
{
    auto dir = std::make_unique<QTemporaryDir>();
    EXPECT_TRUE(dir->isValid()) << dir->errorString().toStdString();
    return dir;
}

bool waitUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeoutMs)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

QString screenshotDir()
{
    const QString dir = QStringLiteral(TARNOLIX_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    return dir;
}

} // namespace tarnolix::test
