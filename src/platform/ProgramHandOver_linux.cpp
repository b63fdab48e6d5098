#include "BackgroundWork.h"
#include "ProgramHandOver.h"

#include <QFile>
#include <QStandardPaths>
#include <QtConcurrent>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace marlox::platform {
namespace {

// What the reaper tells the worker that waits for the answer.
struct ProgramEnd {
    std::mutex mutex;
    std::condition_variable changed;
    bool ended = false;
    bool exitedWithSuccess = false;
};

// In a session of its own, so that a hang-up of this process's terminal does not reach it, and
// with every signal let through whatever this thread blocks. Its output goes where ours goes: a
// pipe closed under a mail client still running would kill it. It keeps none of the application's
// locks, whose descriptors, as all the application opens, close at exec.
std::optional<pid_t> startProgram(const QString& path, const QStringList& arguments) {
    QList<QByteArray> words{QFile::encodeName(path)};
    for (const QString& argument : arguments) {
        words.append(argument.toUtf8());
    }
    std::vector<char*> argumentVector;
    for (QByteArray& word : words) {
        argumentVector.push_back(word.data());
    }
    argumentVector.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    ::posix_spawnattr_setsigmask(&attributes, &noSignals);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    pid_t child = 0;
    const int error = ::posix_spawn(&child, argumentVector[0], &actions, &attributes,
                                    argumentVector.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? std::optional(child) : std::nullopt;
}

void reap(pid_t child, const std::shared_ptr<ProgramEnd>& end) {
    int status = 0;
    pid_t reaped = -1;
    do {
        reaped = ::waitpid(child, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    const std::lock_guard lock(end->mutex);
    end->ended = true;
    end->exitedWithSuccess = reaped == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    end->changed.notify_all();
}

// With no thread to spare for the reaper, the answer is looked for here until the bound; a
// program running on past it stays unreaped until this process ends.
bool tookItWithoutAReaper(pid_t child, std::chrono::milliseconds answerBound) {
    const auto deadline = std::chrono::steady_clock::now() + answerBound;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        const pid_t reaped = ::waitpid(child, &status, WNOHANG);
        if (reaped == child) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        if (reaped < 0 && errno != EINTR) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool handOver(const QString& programName, const QStringList& searchFolders,
              const QStringList& arguments, std::chrono::milliseconds answerBound) {
    const QString path = QStandardPaths::findExecutable(programName, searchFolders);
    if (path.isEmpty()) {
        return false;
    }
    const std::optional<pid_t> child = startProgram(path, arguments);
    if (!child) {
        return false;
    }
    auto end = std::make_shared<ProgramEnd>();
    // Its own thread, not the pool's, as a program that takes the work may run for hours, and
    // the pool is waited for at quit; it touches nothing of Qt, so it may outlive the application.
    try {
        std::thread(reap, *child, end).detach();
    } catch (const std::system_error&) {
        return tookItWithoutAReaper(*child, answerBound);
    }
    std::unique_lock lock(end->mutex);
    const bool ended = end->changed.wait_for(lock, answerBound, [&] { return end->ended; });
    return !ended || end->exitedWithSuccess;
}

} // namespace

QFuture<bool> handOverToProgram(const QString& programName, const QStringList& searchFolders,
                                const QStringList& arguments,
                                std::chrono::milliseconds answerBound) {
    return QtConcurrent::run(utilityThreadPool(), handOver, programName, searchFolders, arguments,
                             answerBound);
}

} // namespace marlox::platform
