#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <csignal>

namespace marlox::platform {
namespace {

// A signal handler may only write to a descriptor and set a flag, so both have to be global.
std::array<int, 2> signalPipe = {-1, -1};
volatile std::sig_atomic_t signalArrived = 0;

void wakeMainThread(int) {
    signalArrived = 1;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}

} // namespace

void TerminationSignals::catchFromNow() {
    if (signalPipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe.data()) != 0) {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = wakeMainThread;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool TerminationSignals::requested() {
    return signalArrived != 0;
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    catchFromNow();
    if (signalPipe[1] < 0) {
        return;
    }
    // A byte written before this notifier existed is read as soon as the event loop runs.
    m_notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(signalPipe[1], &byte, 1);
        emit terminationRequested();
    });
}

TerminationSignals::~TerminationSignals() {
    if (m_notifier == nullptr) {
        return;
    }
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    delete m_notifier;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe = {-1, -1};
}

} // namespace marlox::platform
