#include "platform/SingleInstance.h"

#include "support/ScratchHome.h"

#include <QSignalSpy>
#include <QTest>
#include <QtConcurrent>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using namespace marlox::platform;
using namespace marlox::testing;

namespace {

// A later launch blocks while it asks, so it runs on a thread of its own and the running copy
// answers from this thread's event loop.
bool forwardFromAnotherLaunch(const QString& serverName) {
    auto forwarded = QtConcurrent::run([serverName] {
        SingleInstance later(serverName);
        return later.forwardOpenWindowRequest();
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

TEST_F(SingleInstanceTest, EachUserHasANameOfTheirOwnInTheirRuntimeFolder) {
    // GIVEN two users
    const QByteArray previousUser = qgetenv("USER");
    qputenv("USER", "alice");
    const QString alice = SingleInstance::serverName("studio.marlox.Test");
    qputenv("USER", "bob");
    const QString bob = SingleInstance::serverName("studio.marlox.Test");
    qputenv("USER", previousUser);

    // THEN their names differ and lie in the runtime folder, named after the bundle
    EXPECT_NE(alice, bob);
    EXPECT_EQ(alice, qEnvironmentVariable("XDG_RUNTIME_DIR") + "/studio.marlox.Test-alice");
}

} // namespace
