#include "ChildProcess.h"

#include <QProcess>

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>

namespace marlox::platform {

void endWithThisProcess(QProcess& process) {
    const pid_t parent = ::getpid();
    // Runs in the child between fork and exec. The signal follows the thread that started the
    // child, which waits for it; a parent already gone before the signal was set is caught by the
    // check that follows.
    process.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
    });
}

} // namespace marlox::platform
