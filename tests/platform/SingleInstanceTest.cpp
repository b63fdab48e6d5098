#include "platform/SingleInstance.h"

#include "support/ScratchHome.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QtConcurrent>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

using namespace marlox::platform;
using namespace marlox::testing;

namespace {

// A later launch blocks while it asks, so it runs on a thread of its own and the running copy
// answers from this thread's event loop.
bool forwardFromAnotherLaunch(const QString& serverName,
                              std::chrono::milliseconds listenerWait = {}) {
    auto forwarded = QtConcurrent::run([serverName, listenerWait] {
        SingleInstance later(serverName);
        return later.forwardOpenWindowRequest(listenerWait) == SingleInstance::Handover::accepted;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return forwarded.isFinished(); }, 10000));
    return forwarded.isFinished() && forwarded.result();
}

// What a copy that crashed leaves behind: a socket file that nobody listens on.
void leaveStaleSocket(const QString& path) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    ASSERT_LT(size_t(encoded.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ::close(socket);
}

// The scratch home's runtime folder makes the name unique to the test.
class SingleInstanceTest : public ScratchHomeTest {
protected:
    const QString serverName = SingleInstance::serverName("studio.marlox.Test");
};

TEST_F(SingleInstanceTest, TakesOverTheNameLeftBehindByACrashedCopy) {
    // GIVEN the socket file of a copy that died without removing it
    leaveStaleSocket(serverName);

    // WHEN this copy takes the name
    SingleInstance running(serverName);
    ASSERT_TRUE(running.listen());

    // THEN a later launch reaches it, and it announces the request once
    QSignalSpy requests(&running, &SingleInstance::openWindowRequested);
    EXPECT_TRUE(forwardFromAnotherLaunch(serverName));
    EXPECT_EQ(requests.count(), 1);
}

TEST_F(SingleInstanceTest, ALaunchWaitingForAListenerReachesACopyThatListensMeanwhile) {
    // GIVEN a copy that starts listening a moment after a launch first asks, as one launched at
    // the same moment does once it holds the lock
    SingleInstance running(serverName);
    QSignalSpy requests(&running, &SingleInstance::openWindowRequested);
    QTimer::singleShot(200, &running, [&running] { EXPECT_TRUE(running.listen()); });

    // WHEN the launch waits for a listener THEN its request reaches that copy
    EXPECT_TRUE(forwardFromAnotherLaunch(serverName, std::chrono::seconds(10)));
    EXPECT_EQ(requests.count(), 1);
}

// Without a runtime folder, in a temporary folder of the test's own.
class PrivateFolderTest : public SingleInstanceTest {
protected:
    void SetUp() override {
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(home.filePath("tmp")));
        QDir().mkpath(home.filePath("tmp"));
    }
    void TearDown() override {
        previousTemporaryFolder.isNull() ? qunsetenv("TMPDIR")
                                         : qputenv("TMPDIR", previousTemporaryFolder);
    }

    const QByteArray previousTemporaryFolder = qgetenv("TMPDIR");
};

TEST_F(PrivateFolderTest, TwoHomesOfOneLastNameHaveACopyEach) {
    // GIVEN a copy running for the home a/studio
    qputenv("HOME", QFile::encodeName(home.filePath("a/studio")));
    SingleInstance running(SingleInstance::serverName("studio.marlox.Test"));
    ASSERT_TRUE(running.listen());
    QSignalSpy requests(&running, &SingleInstance::openWindowRequested);

    // WHEN the application is launched for b/studio, THEN it finds no copy and runs its own
    qputenv("HOME", QFile::encodeName(home.filePath("b/studio")));
    const QString other = SingleInstance::serverName("studio.marlox.Test");
    EXPECT_FALSE(forwardFromAnotherLaunch(other));
    EXPECT_TRUE(SingleInstance(other).listen());
    EXPECT_EQ(requests.count(), 0);

    // AND a launch for a/studio reaches its copy, whose folder only this user may enter
    qputenv("HOME", QFile::encodeName(home.filePath("a/studio")));
    EXPECT_TRUE(forwardFromAnotherLaunch(SingleInstance::serverName("studio.marlox.Test")));
    EXPECT_EQ(QFileInfo(QFileInfo(other).path()).permissions() & 0x0077, 0);
}

// A copy of another user behind the name: a child that takes the socket, becomes that user and
// answers every request as a running copy would. Only system calls between fork and exit.
pid_t startCopyOfAnotherUser(const QString& path, uid_t user) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    const pid_t child = ::fork();
    if (child == 0) {
        const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::setgid(user) != 0 || ::setuid(user) != 0 || ::listen(server, 4) != 0) {
            ::_exit(1);
        }
        for (char request[64];;) {
            const int connection = ::accept(server, nullptr, nullptr);
            [[maybe_unused]] const auto read = ::read(connection, request, sizeof request);
            [[maybe_unused]] const auto written = ::write(connection, "ok\n", 3);
            ::close(connection);
        }
    }
    // Listening once a connection is taken.
    EXPECT_TRUE(QTest::qWaitFor([&] {
        const int probe = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool connected =
            ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(probe);
        return connected;
    }));
    return child;
}

TEST_F(PrivateFolderTest, NeverHandsOverToASocketOrACopyOfAnotherUser) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can make what another user owns";
    }
    const uid_t nobody = 65534;
    const QString name = SingleInstance::serverName("studio.marlox.Test");
    const QString folder = QFileInfo(name).path();
    SingleInstance running(name);
    ASSERT_TRUE(running.listen());
    QSignalSpy requests(&running, &SingleInstance::openWindowRequested);

    // GIVEN a running copy whose socket another user has made their own
    ASSERT_EQ(::chown(QFile::encodeName(name).constData(), nobody, nobody), 0);
    // THEN a launch does not ask it
    EXPECT_FALSE(forwardFromAnotherLaunch(name));
    EXPECT_EQ(requests.count(), 0);

    // GIVEN a copy of another user behind a socket of this user's
    QFile::remove(name);
    const pid_t copy = startCopyOfAnotherUser(name, nobody);
    ASSERT_EQ(::chown(QFile::encodeName(name).constData(), ::geteuid(), ::getegid()), 0);
    // THEN a launch does not hand over to it
    EXPECT_FALSE(forwardFromAnotherLaunch(name));
    ::kill(copy, SIGKILL);
    ::waitpid(copy, nullptr, 0);

    // GIVEN the user's folder taken first by another user
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), nobody, nobody), 0);
    // THEN a launch finds no name at all, neither to ask nor to take
    EXPECT_EQ(SingleInstance::serverName("studio.marlox.Test"), QString());
    EXPECT_FALSE(SingleInstance({}).listen());
}

} // namespace
