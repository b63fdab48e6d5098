#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace marlox::platform {

// What a finished child process left behind. A process that could not be started at all has
// `launched` false and the reason in `launchError`.
struct ProcessResult {
    bool launched = false;
    QString launchError;
    bool crashed = false;
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;

    bool succeeded() const { return launched && !crashed && exitCode == 0; }
    // Standard output followed by standard error, as the tools' messages quote them.
    QByteArray combinedOutput() const { return standardOutput + standardError; }
};

// A tool's output as text. Output that is not valid UTF-8 reads as an empty text, as the tools'
// callers expect.
QString decodeToolOutput(const QByteArray& bytes);

// Runs a child process to completion on the calling thread. Never call it on the main thread.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;
    virtual ProcessResult run(const QString& program, const QStringList& arguments) = 0;
};

// The real runner: QProcess with standard output and standard error on pipes of their own. The
// child ends with this process.
class SystemProcessRunner final : public ProcessRunner {
public:
    ProcessResult run(const QString& program, const QStringList& arguments) override;
};

} // namespace marlox::platform
