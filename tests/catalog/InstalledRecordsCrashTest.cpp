#include "catalog/Environment.h"
#include "catalog/InstalledPackage.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <csignal>

using namespace marlox::catalog;
using marlox::testing::readFile;
using marlox::testing::ScratchHomeTest;

namespace {

constexpr int recordCount = 1000;
constexpr int samples = 16;

// Reads the child's progress lines until `line` has come.
bool awaitLine(QProcess& child, const QByteArray& line) {
    while (true) {
        while (!child.canReadLine()) {
            if (!child.waitForReadyRead(10000)) {
                return false;
            }
        }
        if (child.readLine().trimmed() == line) {
            return true;
        }
    }
}

// Reports the moment anything is opened, written, created or renamed in the records folder, so
// that the child can be caught in the middle of touching it.
class FolderActivity {
public:
    explicit FolderActivity(const QString& folder)
        : m_descriptor(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(m_descriptor, QFile::encodeName(folder).constData(),
                          IN_OPEN | IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM);
    }
    ~FolderActivity() { close(m_descriptor); }

    void discardPending() {
        alignas(inotify_event) char buffer[65536];
        while (read(m_descriptor, buffer, sizeof buffer) > 0) {
        }
    }
    bool await() {
        pollfd descriptor{m_descriptor, POLLIN, 0};
        return poll(&descriptor, 1, 10000) == 1;
    }

private:
    int m_descriptor;
};

// What is on disk at this moment is what a crash at this moment would leave behind.
void expectWholeRecordsFile(const char* moment, int sample) {
    const QByteArray bytes = readFile(installedRecordsFileURL());
    const auto records = decodeInstalledPackages(bytes);
    ASSERT_TRUE(records.hasValue()) << moment << " " << sample << ": " << bytes.size()
                                    << " bytes: " << records.error().description.toStdString();
    ASSERT_EQ(records->size(), recordCount) << moment << " " << sample;
    for (const InstalledPackage& record : *records) {
        ASSERT_EQ(record.version, records->first().version) << moment << " " << sample;
    }
}

class InstalledRecordsCrashTest : public ScratchHomeTest {};

TEST_F(InstalledRecordsCrashTest, ASaveCaughtMidwayOrKilledNeverLeavesAPartialRecordsFile) {
    ASSERT_EQ(ensureApplicationDirectories(), std::nullopt);
    FolderActivity activity(QFileInfo(installedRecordsFileURL()).path());
    QProcess child;
    child.start(QStringLiteral(MARLOX_SAVE_LOOP_PATH), {QString::number(recordCount)});
    ASSERT_TRUE(child.waitForStarted()) << child.errorString().toStdString();
    const auto pid = static_cast<pid_t>(child.processId());

    // One whole save first, so that there is a file to damage.
    ASSERT_TRUE(awaitLine(child, "saved"));
    for (int sample = 0; sample < samples; ++sample) {
        activity.discardPending();
        ASSERT_TRUE(awaitLine(child, "writing"));
        // Freeze the child the moment its save touches the folder, look, and let it go on.
        ASSERT_TRUE(activity.await());
        ::kill(pid, SIGSTOP);
        ASSERT_NO_FATAL_FAILURE(expectWholeRecordsFile("frozen", sample));
        ::kill(pid, SIGCONT);
        ASSERT_TRUE(awaitLine(child, "saved"));
    }

    activity.discardPending();
    ASSERT_TRUE(awaitLine(child, "writing"));
    ASSERT_TRUE(activity.await());
    child.kill();
    child.waitForFinished();
    expectWholeRecordsFile("killed", samples);
}

} // namespace
