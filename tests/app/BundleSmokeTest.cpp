#include "catalog/InstallLocations.h"
#include "install/InstallJournal.h"
#include "platform/ExclusiveFileLock.h"
#include "platform/SingleInstance.h"
#include "platform/StandardFolders.h"
#include "support/ConfiguredBundle.h"
#include "support/InstallTestSupport.h"
#include "support/LoggedMessages.h"
#include "support/LoopbackHttpServer.h"
#include "support/PreloadedLibraries.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

using namespace marlox::testing;

namespace {

const QString executable = builtBundlePath() + "/Contents/MacOS/MarloxStudio";
constexpr int startupBoundMilliseconds = 10000;
const QString anotherCopyRuns = "Another copy of Marlox Studio is running";
// Far beyond a quit under the sanitizers on a loaded machine, far below the minute a transfer
// may last: only a quit that waits on a server passes it.
constexpr int hangBoundMilliseconds = 15000;

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

// Waits until more than `share` of the virtual screen is painted, and keeps a picture of it.
void keepScreenOncePainted(double share, const QString& pictureName) {
    QImage screen;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            return paintedShare(screen) > share;
        },
        startupBoundMilliseconds));
    QDir().mkpath(MARLOX_TEST_ARTEFACT_DIR);
    EXPECT_TRUE(screen.save(MARLOX_TEST_ARTEFACT_DIR "/" + pictureName));
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

    void start(QProcess& process, const QString& program = executable) {
        process.setProgram(program);
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

    void expectCleanEndOnTerminate(int boundMilliseconds = startupBoundMilliseconds) {
        running.terminate();
        ASSERT_TRUE(running.waitForFinished(boundMilliseconds));
        const QString errors = QString::fromUtf8(running.readAllStandardError());
        EXPECT_EQ(running.exitStatus(), QProcess::NormalExit) << errors.toStdString();
        EXPECT_EQ(running.exitCode(), 0) << errors.toStdString();
        EXPECT_FALSE(errors.contains("Sanitizer")) << errors.toStdString();
        EXPECT_FALSE(errors.contains("runtime error")) << errors.toStdString();
    }

    // Whether the process has said on standard error that another copy runs; what it said is
    // kept in `errors`.
    static bool saidAnotherCopyRuns(QProcess& process, QByteArray& errors) {
        errors += process.readAllStandardError();
        return errors.contains(anotherCopyRuns.toUtf8());
    }
    // Under a virtual X server its alert waits for the user, for whom a terminate request stands.
    static void expectEndAfterSayingAnotherCopyRuns(QProcess& process, QByteArray& errors) {
        if (underXServer()) {
            process.terminate();
        }
        // It may have ended already, while the test turned the event loop: waitForFinished()
        // answers false for a process that is no longer running.
        ASSERT_TRUE(process.state() == QProcess::NotRunning ||
                    process.waitForFinished(startupBoundMilliseconds));
        errors += process.readAllStandardError();
        EXPECT_EQ(process.exitCode(), 1) << errors.toStdString();
        EXPECT_FALSE(errors.contains("Sanitizer")) << errors.toStdString();
    }

    // The built bundle configured for other servers. Answers its executable.
    QString configuredBundle(const QVariantMap& settings) const {
        const auto configured =
            configuredBundleCopy(builtBundlePath(), home.filePath("Configured.app"), settings);
        EXPECT_TRUE(configured.has_value());
        return configured.value_or(QString());
    }
    // Whether the process has its handler of SIGTERM in place.
    bool catchesTerminate() const {
        QFile status(QString("/proc/%1/status").arg(running.processId()));
        status.open(QIODevice::ReadOnly);
        QByteArray caught;
        for (const QByteArray& line : status.readAll().split('\n')) {
            caught = line.startsWith("SigCgt:") ? line : caught;
        }
        return (caught.mid(7).trimmed().toULongLong(nullptr, 16) & (1ull << (SIGTERM - 1))) != 0;
    }

    QProcess running;
    QProcess later;
};

TEST_F(BundleSmokeTest, StartsShowsItsWindowLogsTheCatalogReloadAndEndsOnTerminate) {
    // GIVEN the built bundle started in a fresh home
    startAndAwaitCatalogReload();

    // WHEN a virtual screen shows it THEN the window covers much of it, and a picture is kept
    if (underXServer()) {
        keepScreenOncePainted(0.4, "main-window-xvfb.png");
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

// What a copy may change of the user's: the support folders with the records, and the install
// folders; the log, which every copy appends to, aside.
QStringList userData() {
    QStringList data = treeSnapshot(marlox::platform::userApplicationSupportFolder()) +
                       treeSnapshot(marlox::catalog::installFolderPath());
    data.removeIf([](const QString& line) { return line.contains("/Logs"); });
    return data;
}

TEST_F(BundleSmokeTest, ASecondCopyKeptFromTheDataSettlesNothingChangesNothingAndSaysSo) {
    // GIVEN a first copy amid an install of Glow, its journal written and Glow in place, which
    // holds the lock on the user's data and is not listening (yet)
    using namespace marlox::catalog;
    ASSERT_EQ(ensureApplicationDirectories(), std::nullopt);
    const QString live = installFolderPath() + "/studio.marlox.glow";
    const QString staging = installFolderPath() + "/.marlox-staging-1";
    writeFile(live + "/version.txt", "1.0");
    using marlox::install::InstallJournal;
    InstallJournal journal(InstallJournal::Operation::install, "studio.marlox.glow", {}, "1.0");
    journal.addStaging(staging);
    journal.setMoves({{live, staging + "/studio.marlox.glow", installFolderPath() + "/.aside"}});
    ASSERT_FALSE(journal.write());
    const auto firstCopy = marlox::platform::ExclusiveFileLock::take(runningCopyLockFilePath());
    ASSERT_TRUE(firstCopy);
    const QStringList before = userData();

    // WHEN a second copy is launched
    start(later);

    // THEN it says so, and where a screen shows windows in an alert too
    QByteArray errors;
    ASSERT_TRUE(QTest::qWaitFor([&] { return saidAnotherCopyRuns(later, errors); },
                                startupBoundMilliseconds))
        << errors.toStdString();
    if (underXServer()) {
        keepScreenOncePainted(0.01, "another-copy-alert-xvfb.png");
    }
    // AND it ends having changed nothing of the user's but the log, which tells why
    expectEndAfterSayingAnotherCopyRuns(later, errors);
    EXPECT_EQ(userData(), before);
    EXPECT_EQ(loggedMessages().filter(anotherCopyRuns).size(), 1);
}

TEST_F(BundleSmokeTest, OnAHomeWhoseLocksAreRecordLocksACopyHoldingTheDataKeepsAnotherOut) {
    // GIVEN a home on a network file system, where flock is a record lock over the whole file,
    // and the lock on the user's data held there as a copy holds it
    using marlox::catalog::runningCopyLockFilePath;
    ASSERT_EQ(marlox::catalog::ensureApplicationDirectories(), std::nullopt);
    const int held = ::open(QFile::encodeName(runningCopyLockFilePath()).constData(),
                            O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    struct flock record {};
    record.l_type = F_WRLCK;
    record.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(held, F_SETLK, &record), 0);

    // WHEN a copy is launched there
    later.setProcessEnvironment(networkHomeLocksEnvironment());
    start(later);

    // THEN it finds the lock held, says another copy runs and ends, rather than running without
    // the lock
    QByteArray errors;
    ASSERT_TRUE(QTest::qWaitFor([&] { return saidAnotherCopyRuns(later, errors); },
                                startupBoundMilliseconds))
        << errors.toStdString();
    expectEndAfterSayingAnotherCopyRuns(later, errors);
    EXPECT_FALSE(errors.contains("runs without it")) << errors.toStdString();
    ::close(held);
}

TEST_F(BundleSmokeTest, OfTwoCopiesGoingOnAtTheSameMomentOneEndsKeptFromTheData) {
    // GIVEN two copies launched while a running copy keeps both waiting for its answer
    QLocalServer mute;
    ASSERT_TRUE(
        mute.listen(marlox::platform::SingleInstance::serverName("studio.marlox.MarloxStudio")));
    start(running);
    start(later);
    QLocalSocket* waiting[2] = {};
    for (QLocalSocket*& copy : waiting) {
        ASSERT_TRUE(mute.waitForNewConnection(startupBoundMilliseconds));
        copy = mute.nextPendingConnection();
    }

    // WHEN it goes without answering, so that both go on at once and neither listens yet
    mute.close();
    waiting[0]->abort();
    waiting[1]->abort();

    // THEN one says another copy runs and ends, and the other runs on, the lock still its own
    // once its start has cleaned up what a killed run left
    QByteArray errors[2];
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return saidAnotherCopyRuns(running, errors[0]) || saidAnotherCopyRuns(later, errors[1]);
        },
        startupBoundMilliseconds));
    const int ended = errors[0].contains(anotherCopyRuns.toUtf8()) ? 0 : 1;
    expectEndAfterSayingAnotherCopyRuns(ended == 0 ? running : later, errors[ended]);
    EXPECT_EQ((ended == 0 ? later : running).state(), QProcess::Running);
    ASSERT_TRUE(QTest::qWaitFor([] { return !loggedMessages().filter("Catalog reload").isEmpty(); },
                                startupBoundMilliseconds));
    EXPECT_FALSE(
        marlox::platform::ExclusiveFileLock::take(marlox::catalog::runningCopyLockFilePath()));
}

TEST_F(BundleSmokeTest, TerminateWhileTheStartWaitsOnAMuteRunningCopyEndsItCleanly) {
    // GIVEN a running copy that takes the request for a window but never answers
    QLocalServer mute;
    ASSERT_TRUE(
        mute.listen(marlox::platform::SingleInstance::serverName("studio.marlox.MarloxStudio")));

    // WHEN the application starts, asks it, and is told to terminate meanwhile
    start(running);
    ASSERT_TRUE(mute.waitForNewConnection(startupBoundMilliseconds));

    // THEN it ends cleanly once it gives up on the copy
    expectCleanEndOnTerminate();
}

TEST_F(BundleSmokeTest, TerminateAtAnyMomentOfTheStartEndsItCleanly) {
    for (const int moment : {0, 150, 400, 900}) {
        SCOPED_TRACE(moment);
        // GIVEN the application starting, from the moment it catches the request
        start(running);
        ASSERT_TRUE(QTest::qWaitFor([&] { return catchesTerminate(); }, startupBoundMilliseconds));

        // WHEN it is told to terminate that many milliseconds later, THEN it ends cleanly
        QTest::qWait(moment);
        expectCleanEndOnTerminate();
    }
}

TEST_F(BundleSmokeTest, TerminateEndsItAtOnceWhileItsServersDripTheirAnswers) {
    // GIVEN a catalog whose packages' thumbnails, like the feed, come a byte every five seconds
    LoopbackHttpServer server;
    const HttpAnswer dripping{.body = QByteArray(64, 'x'), .dripInterval = std::chrono::seconds(5)};
    QJsonObject catalog =
        QJsonDocument::fromJson(readFile(builtBundlePath() + "/Contents/Resources/manifest.json"))
            .object();
    QJsonArray packages;
    QStringList thumbnailPaths;
    for (const QJsonValue& value : catalog.value("packages").toArray()) {
        QJsonObject package = value.toObject();
        const QString path = "/thumbnails/" + package.value("id").toString() + ".png";
        thumbnailPaths.append(path);
        package.insert("thumbnailURL", server.url(path).toString());
        server.setAnswer(path, dripping);
        packages.append(package);
    }
    catalog.insert("packages", packages);
    server.setAnswer("/feed.xml", dripping);
    const QString configured =
        configuredBundle({{"MarloxRemoteCatalogURL", server.url("/catalog.json")},
                          {"MarloxAppcastFeedURL", server.url("/feed.xml")}});
    for (const bool catalogDrips : {true, false}) {
        SCOPED_TRACE(catalogDrips ? "the catalog drips" : "the feed and the thumbnails drip");
        HttpAnswer served{.body = QJsonDocument(catalog).toJson()};
        served.dripInterval = catalogDrips ? dripping.dripInterval : std::chrono::milliseconds(0);
        server.setAnswer("/catalog.json", served);
        start(running, configured);

        // WHEN it is told to terminate while those are on their way
        const QString awaited = catalogDrips ? "/catalog.json" : "/feed.xml";
        ASSERT_TRUE(server.waitForRequestCount(awaited, server.requestCount(awaited) + 1));
        const auto thumbnailRequests = [&] {
            int count = 0;
            for (const QString& path : thumbnailPaths) {
                count += server.requestCount(path);
            }
            return count;
        };
        ASSERT_TRUE(catalogDrips || QTest::qWaitFor([&] { return thumbnailRequests() > 0; },
                                                    startupBoundMilliseconds));

        // THEN it ends cleanly, long before its servers would answer or time out (how soon is
        // measured by the quit benchmark)
        expectCleanEndOnTerminate(hangBoundMilliseconds);
    }
}

} // namespace
