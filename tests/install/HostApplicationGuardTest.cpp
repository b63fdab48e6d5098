#include "install/HostApplicationGuard.h"

#include "InstallTestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace marlox::install;
using namespace marlox::testing;
using marlox::platform::RunningApplication;

TEST(HostApplicationGuardTest, ListsRunningHostsInTableOrderEachWithItsProcessesOnce) {
    struct Case {
        const char* name;
        std::map<QString, QList<RunningApplication>> running;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"nothing running", {}, {}},
        {"both hosts",
         {{"com.apple.motionapp", {{20, false}}}, {"com.apple.FinalCut", {{10, false}}}},
         {"Final Cut Pro 10", "Apple Motion 20"}},
        {"Motion under its second identifier only",
         {{"com.apple.Motion", {{30, false}}}},
         {"Apple Motion 30"}},
        {"processes listed under both of Motion's identifiers",
         {{"com.apple.motionapp", {{30, false}, {31, false}}},
          {"com.apple.Motion", {{31, false}, {32, false}}}},
         {"Apple Motion 30 31 32"}},
        {"a terminated instance still listed", {{"com.apple.FinalCut", {{10, true}}}}, {}},
    };
    for (const Case& test : cases) {
        // GIVEN the platform reports these applications
        auto lister = std::make_shared<FakeProcessLister>();
        lister->byIdentifier = test.running;
        const HostApplicationGuard guard(lister);
        // WHEN the guard is asked, THEN it lists each running host once, Final Cut Pro first
        QStringList hosts;
        for (const auto& [host, instances] : guard.runningHostApplications()) {
            hosts.append(host.displayName);
            for (const RunningApplication& instance : instances) {
                hosts.last() += ' ' + QString::number(instance.processIdentifier);
            }
        }
        EXPECT_EQ(hosts, test.expected) << test.name;
    }
    EXPECT_EQ(describe(HostApplicationGuardError{{"Final Cut Pro", "Apple Motion"}}),
              "Close host apps before continuing. Running: Final Cut Pro, Apple Motion");
}

TEST(HostApplicationGuardTest, MatchesHostsInTheProcessTableByCommandOrExecutableSkippingZombies) {
    // GIVEN a process table laid out like /proc: each process a folder with comm, stat and an
    // exe link
    ScratchHome home;
    const auto addProcess = [&](int id, const QByteArray& command, char state,
                                const QString& executable) {
        const QString folder = home.filePath("proc/" + QString::number(id));
        writeFile(folder + "/comm", command + "\n");
        writeFile(folder + "/stat",
                  QByteArray::number(id) + " (" + command + ") " + state + " 1 1 1 0 -1");
        if (!executable.isEmpty()) {
            QFile::link(executable, folder + "/exe");
        }
    };
    const HostApplicationGuard guard(
        std::make_shared<marlox::platform::SystemProcessLister>(home.filePath("proc")));
    // with a zombie Motion, a live process whose command name is truncated but whose executable
    // is Final Cut Pro, and unrelated processes
    addProcess(100, "Motion", 'Z', {});
    addProcess(101, "Final Cut Pro", 'S',
               "/Applications/Final Cut Pro.app/Contents/MacOS/Final Cut Pro");
    addProcess(102, "MotionHelper", 'S', "/usr/bin/MotionHelper");
    addProcess(103, "bash", 'S', "/usr/bin/bash");
    writeFile(home.filePath("proc/self/comm"), "Motion\n");

    // THEN only Final Cut Pro counts
    EXPECT_EQ(guard.runningHostNames(), QStringList{"Final Cut Pro"});

    // WHEN a live Motion appears, renamed but running the Motion executable, THEN it counts too
    addProcess(104, "motion-worker", 'R', "/opt/Motion.app/Contents/MacOS/Motion");
    EXPECT_EQ(guard.runningHostNames(), (QStringList{"Final Cut Pro", "Apple Motion"}));
}

TEST(HostApplicationGuardRealProcessTest, SeesARunningProcessNamedMotion) {
    // GIVEN the system's process list, as far as this test's own processes go
    const HostApplicationGuard guard(std::make_shared<OwnChildProcessLister>());
    ASSERT_TRUE(guard.runningHostNames().isEmpty());

    // WHEN a real process whose executable is named Motion runs
    auto motion = std::make_unique<RunningHost>("Motion");
    ASSERT_TRUE(motion->isRunning());

    // THEN the guard names Apple Motion
    EXPECT_EQ(guard.runningHostNames(), QStringList{"Apple Motion"});

    // and once the process has ended it no longer does
    motion.reset();
    EXPECT_TRUE(guard.runningHostNames().isEmpty());
}
