#include "FolderEvents.h"
#include "catalog/Environment.h"
#include "catalog/InstalledPackage.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

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
    // Reports the moment anything is opened, written, created or renamed in the records folder,
    // so that the child can be caught in the middle of touching it.
    marlox::testing::FolderEvents activity(QFileInfo(installedRecordsFileURL()).path(),
                                           IN_OPEN | IN_MODIFY | IN_CREATE | IN_MOVED_TO |
                                               IN_MOVED_FROM);
    QProcess child;
    child.start(QStringLiteral(MARLOX_SAVE_LOOP_PATH), {QString::number(recordCount)});
    ASSERT_TRUE(child.waitForStarted()) << child.errorString().toStdString();
    const auto pid = static_cast<pid_t>(child.processId());

    // One whole save first, so that there is a file to damage.
    ASSERT_TRUE(awaitLine(child, "saved"));
    for (int sample = 0; sample < samples; ++sample) {
        activity.drain();
        ASSERT_TRUE(awaitLine(child, "writing"));
        // Freeze the child the moment its save touches the folder, look, and let it go on.
        ASSERT_TRUE(activity.await());
        ::kill(pid, SIGSTOP);
        ASSERT_NO_FATAL_FAILURE(expectWholeRecordsFile("frozen", sample));
        ::kill(pid, SIGCONT);
        ASSERT_TRUE(awaitLine(child, "saved"));
    }

    activity.drain();
    ASSERT_TRUE(awaitLine(child, "writing"));
    ASSERT_TRUE(activity.await());
    child.kill();
    child.waitForFinished();
    expectWholeRecordsFile("killed", samples);
}

} // namespace
