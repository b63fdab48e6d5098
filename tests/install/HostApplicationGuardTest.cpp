#include "install/HostApplicationGuard.h"

#include "support/InstallTestSupport.h"

#include <QFile>

#include <gtest/gtest.h>
#include <unistd.h>

using namespace marlox::install;
using namespace marlox::testing;
using marlox::platform::RunningApplication;

TEST(HostApplicationGuardTest, ListsRunningHostsInTableOrderEachWithItsProcessesOnce) {
    struct Case {
        const char* name;
        std::map<QString, QList<RunningApplication>> running;
        QStringList expected;
    };
    for (const Case& test : QList<Case>{
             {"both hosts",
              {{"com.apple.motionapp", {{20, false}}}, {"com.apple.FinalCut", {{10, false}}}},
              {"Final Cut Pro 10", "Apple Motion 20"}},
             {"both Motion identifiers",
              {{"com.apple.motionapp", {{30, false}, {31, false}}},
               {"com.apple.Motion", {{31, false}, {32, false}}}},
              {"Apple Motion 30 31 32"}},
             {"a terminated instance", {{"com.apple.FinalCut", {{10, true}}}}, {}},
         }) {
        auto lister = std::make_shared<FakeProcessLister>();
        lister->byIdentifier = test.running;
        QStringList hosts;
        for (const auto& [host, instances] :
             HostApplicationGuard(lister).runningHostApplications()) {
            hosts.append(host.displayName);
            for (const RunningApplication& instance : instances) {
                hosts.last() += ' ' + QString::number(instance.processIdentifier);
            }
        }
        EXPECT_EQ(hosts, test.expected) << test.name;
    }
}

TEST(HostApplicationGuardTest, MatchesHostsInTheProcessTableByCommandOrExecutableSkippingZombies) {
    // GIVEN a process table laid out like /proc
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
    addProcess(100, "Motion", 'Z', {});
    addProcess(101, "Final Cut Pro", 'S',
               "/Applications/Final Cut Pro.app/Contents/MacOS/Final Cut Pro");
    addProcess(102, "MotionHelper", 'S', "/usr/bin/MotionHelper");
    addProcess(103, "bash", 'S', "/usr/bin/bash");
    writeFile(home.filePath("proc/self/comm"), "Motion\n");

    // THEN the zombie, the look-alike and "self" do not count
    EXPECT_EQ(guard.runningHostNames(), QStringList{"Final Cut Pro"});

    // WHEN a renamed process runs the Motion executable, THEN it counts
    addProcess(104, "motion-worker", 'R', "/opt/Motion.app/Contents/MacOS/Motion");
    EXPECT_EQ(guard.runningHostNames(), (QStringList{"Final Cut Pro", "Apple Motion"}));
}

TEST(HostApplicationGuardTest, PassesOverAnotherUsersRealProcessNamedMotion) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can start a process as another user";
    }
    // GIVEN the guard over the system's own process table, narrowed to this test's children as
    // other tests start hosts too
    const HostApplicationGuard guard(std::make_shared<OwnChildProcessLister>());

    // WHEN another user runs a process whose name is Motion (killed when it goes out of scope)
    const RunningHost motion("Motion", 65534);
    ASSERT_TRUE(motion.isRunning());

    // THEN the guard does not name Apple Motion as running
    EXPECT_FALSE(guard.runningHostNames().contains("Apple Motion"))
        << guard.runningHostNames().join(", ").toStdString();
}
