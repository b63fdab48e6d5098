#pragma once

#include <QFuture>
#include <QString>
#include <QStringList>

#include <chrono>

namespace marlox::platform {

// How long a program started to take work over (a mail draft, an address) has to answer that it
// could not: xdg-email and xdg-open exit non-zero at once where nothing takes the work, while a
// mail client may keep xdg-email running until it closes.
inline constexpr std::chrono::milliseconds handOverAnswerBound = std::chrono::seconds(3);

// Starts the program found by name in the folders (on the PATH when none are given) with the
// arguments, reading /dev/null, and answers on a worker whether it took the work: it exited 0
// within the bound, or still runs at the bound. One still running is left to run in a session of
// its own, as long as it likes, and reaped when it ends. A program not found, not started, ending
// non-zero or by a signal within the bound did not take it.
QFuture<bool> handOverToProgram(const QString& programName, const QStringList& searchFolders,
                                const QStringList& arguments,
                                std::chrono::milliseconds answerBound = handOverAnswerBound);

} // namespace marlox::platform
