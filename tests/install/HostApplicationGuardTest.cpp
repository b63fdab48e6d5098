#include "install/HostApplicationGuard.h"

#include "InstallTestSupport.h"
#include "install/InstallErrors.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <map>

using namespace marlox::install;
using marlox::platform::RunningApplication;
using marlox::platform::SystemProcessLister;

namespace {

// Answers by bundle identifier, as macOS does.
class FakeProcessLister final : public marlox::platform::ProcessLister {
public:
    std::map<QString, QList<RunningApplication>> byIdentifier;
    mutable QStringList askedIdentifiers;

    QList<RunningApplication> runningApplications(const QString& bundleIdentifier,
                                                  const QString&) const override {
        askedIdentifiers.append(bundleIdentifier);
        const auto found = byIdentifier.find(bundleIdentifier);
        return found == byIdentifier.end() ? QList<RunningApplication>{} : found->second;
    }
};

HostApplicationGuard guardWith(std::shared_ptr<FakeProcessLister> lister) {
    return HostApplicationGuard(std::move(lister));
}

} // namespace

TEST(HostApplicationGuardTest, NamesRunningHostsInTableOrderOncePerHost) {
    struct Case {
        const char* name;
        std::map<QString, QList<RunningApplication>> running;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"nothing running", {}, {}},
        {"both hosts",
         {{"com.apple.motionapp", {{20, false}}}, {"com.apple.FinalCut", {{10, false}}}},
         {"Final Cut Pro", "Apple Motion"}},
        {"Motion under its second identifier only",
         {{"com.apple.Motion", {{30, false}}}},
         {"Apple Motion"}},
        {"one Motion process under both identifiers",
         {{"com.apple.motionapp", {{30, false}}}, {"com.apple.Motion", {{30, false}}}},
         {"Apple Motion"}},
        {"a terminated instance still listed", {{"com.apple.FinalCut", {{10, true}}}}, {}},
        {"two Final Cut Pro instances",
         {{"com.apple.FinalCut", {{10, false}, {11, false}}}},
         {"Final Cut Pro"}},
    };
    for (const Case& test : cases) {
        // GIVEN the platform reports these applications
        auto lister = std::make_shared<FakeProcessLister>();
        lister->byIdentifier = test.running;
        // WHEN the guard is asked
        const QStringList names = guardWith(lister).runningHostNames();
        // THEN it names each running host once, Final Cut Pro first
        EXPECT_EQ(names, test.expected) << test.name;
    }
}

TEST(HostApplicationGuardTest, CountsOneInstancePerProcessAndAsksEveryIdentifierAfresh) {
    auto lister = std::make_shared<FakeProcessLister>();
    lister->byIdentifier = {{"com.apple.motionapp", {{30, false}, {31, false}}},
                            {"com.apple.Motion", {{31, false}, {32, false}}}};
    const HostApplicationGuard guard = guardWith(lister);

    const auto running = guard.runningHostApplications();
    ASSERT_EQ(running.size(), 1);
    EXPECT_EQ(running.first().first.displayName, "Apple Motion");
    QList<qint64> processes;
    for (const auto& instance : running.first().second) {
        processes.append(instance.processIdentifier);
    }
    EXPECT_EQ(processes, (QList<qint64>{30, 31, 32}));

    // Nothing is cached: a second call asks the platform again.
    lister->askedIdentifiers.clear();
    lister->byIdentifier.clear();
    EXPECT_TRUE(guard.runningHostNames().isEmpty());
    EXPECT_EQ(lister->askedIdentifiers,
              (QStringList{"com.apple.FinalCut", "com.apple.motionapp", "com.apple.Motion"}));
}

TEST(HostApplicationGuardTest, ErrorListsTheRunningHosts) {
    const HostApplicationGuardError error{{"Final Cut Pro", "Apple Motion"}};
    EXPECT_EQ(describe(error),
              "Close host apps before continuing. Running: Final Cut Pro, Apple Motion");
}

// A process table laid out like /proc: each process a folder with comm, stat and an exe link.
class ProcessTableTest : public marlox::testing::ScratchHomeTest {
protected:
    void addProcess(int processIdentifier, const QByteArray& command, char state,
                    const QString& executable = {}) {
        const QString folder = home.filePath("proc/" + QString::number(processIdentifier));
        marlox::testing::writeFile(folder + "/comm", command + "\n");
        marlox::testing::writeFile(folder + "/stat", QByteArray::number(processIdentifier) + " (" +
                                                         command + ") " + state + " 1 1 1 0 -1");
        if (!executable.isEmpty()) {
            QFile::link(executable, folder + "/exe");
        }
    }
    QStringList runningHostNames() {
        return HostApplicationGuard(std::make_shared<SystemProcessLister>(home.filePath("proc")))
            .runningHostNames();
    }
};

TEST_F(ProcessTableTest, MatchesHostsByCommandOrExecutableNameAndSkipsZombies) {
    // GIVEN a zombie Motion, a live process whose command name is truncated but whose executable
    // is Final Cut Pro, and unrelated processes
    addProcess(100, "Motion", 'Z');
    addProcess(101, "Final Cut Pro", 'S',
               "/Applications/Final Cut Pro.app/Contents/MacOS/Final Cut Pro");
    addProcess(102, "MotionHelper", 'S', "/usr/bin/MotionHelper");
    addProcess(103, "bash", 'S', "/usr/bin/bash");
    marlox::testing::writeFile(home.filePath("proc/self/comm"), "Motion\n");

    // THEN only Final Cut Pro counts
    EXPECT_EQ(runningHostNames(), QStringList{"Final Cut Pro"});

    // WHEN a live Motion appears, renamed but running the Motion executable
    addProcess(104, "motion-worker", 'R', "/opt/Motion.app/Contents/MacOS/Motion");
    EXPECT_EQ(runningHostNames(), (QStringList{"Final Cut Pro", "Apple Motion"}));
}

TEST(HostApplicationGuardRealProcessTest, SeesARunningProcessNamedMotion) {
    // GIVEN the system's process list, as far as this test's own processes go
    const HostApplicationGuard guard(std::make_shared<marlox::testing::OwnChildProcessLister>());
    ASSERT_TRUE(guard.runningHostNames().isEmpty());

    // WHEN a real process whose executable is named Motion runs
    auto motion = std::make_unique<marlox::testing::RunningHost>("Motion");
    ASSERT_TRUE(motion->isRunning());

    // THEN the guard names Apple Motion
    EXPECT_EQ(guard.runningHostNames(), QStringList{"Apple Motion"});

    // and once the process has ended it no longer does
    motion.reset();
    EXPECT_TRUE(guard.runningHostNames().isEmpty());
}
