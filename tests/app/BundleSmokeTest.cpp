#include "support/LoggedMessages.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace marlox::testing;

namespace {

const QString executable = builtBundlePath() + "/Contents/MacOS/MarloxStudio";
constexpr int startupBoundMilliseconds = 10000;

bool underXServer() {
    return QGuiApplication::platformName() == "xcb";
}

// The share of the screen that is not the server's black background.
double paintedShare(const QImage& screen) {
    qsizetype painted = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            painted += (screen.pixel(x, y) & 0xffffff) != 0 ? 1 : 0;
        }
    }
    return double(painted) / double(screen.width() * screen.height());
}

// The bundle as a user starts it, with the scratch home of the test and the same display.
class BundleSmokeTest : public ScratchHomeTest {
protected:
    ~BundleSmokeTest() override {
        for (QProcess* process : {&running, &later}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
        }
    }

    void start(QProcess& process) {
        process.setProgram(executable);
        process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        process.start();
        ASSERT_TRUE(process.waitForStarted()) << process.errorString().toStdString();
    }

    // The application is up once its start-up task has logged the catalog reload.
    void startAndAwaitCatalogReload() {
        start(running);
        ASSERT_TRUE(
            QTest::qWaitFor([] { return !loggedMessages().filter("Catalog reload").isEmpty(); },
                            startupBoundMilliseconds));
    }

    void expectCleanEndOnTerminate() {
        running.terminate();
        ASSERT_TRUE(running.waitForFinished(startupBoundMilliseconds));
        EXPECT_EQ(running.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(running.exitCode(), 0);
        const QString errors = QString::fromUtf8(running.readAllStandardError());
        EXPECT_FALSE(errors.contains("Sanitizer")) << errors.toStdString();
        EXPECT_FALSE(errors.contains("runtime error")) << errors.toStdString();
    }

    QProcess running;
    QProcess later;
};

TEST_F(BundleSmokeTest, StartsShowsItsWindowLogsTheCatalogReloadAndEndsOnTerminate) {
    // GIVEN the built bundle started in a fresh home
    startAndAwaitCatalogReload();

    // WHEN a virtual screen shows it THEN the window covers much of it, and a picture is kept
    if (underXServer()) {
        QImage screen;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
                return paintedShare(screen) > 0.4;
            },
            startupBoundMilliseconds));
        QDir().mkpath(MARLOX_TEST_ARTEFACT_DIR);
        EXPECT_TRUE(screen.save(MARLOX_TEST_ARTEFACT_DIR "/main-window-xvfb.png"));
    }

    // THEN it ends cleanly when asked to terminate
    expectCleanEndOnTerminate();
}

TEST_F(BundleSmokeTest, SecondLaunchHandsOverToTheRunningCopyAndEnds) {
    // GIVEN a running copy
    startAndAwaitCatalogReload();

    // WHEN the application is launched again
    start(later);

    // THEN the later launch ends at once and the first keeps running
    ASSERT_TRUE(later.waitForFinished(startupBoundMilliseconds));
    EXPECT_EQ(later.exitCode(), 0);
    EXPECT_EQ(running.state(), QProcess::Running);
    expectCleanEndOnTerminate();
}

} // namespace
