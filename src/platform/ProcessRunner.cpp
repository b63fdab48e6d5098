#include "ProcessRunner.h"

#include "ChildProcess.h"

#include <QProcess>
#include <QStringDecoder>

namespace marlox::platform {

QString decodeToolOutput(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

ProcessResult SystemProcessRunner::run(const QString& program, const QStringList& arguments) {
    ProcessResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setInputChannelMode(QProcess::ManagedInputChannel);
    endWithThisProcess(process);
    process.start(program, arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(-1)) {
        result.launchError = process.errorString();
        return result;
    }
    process.closeWriteChannel();
    result.launched = true;
    // Without a deadline: the tools end on their own, and a slow copy must not be cut short.
    while (!process.waitForFinished(-1)) {
        if (process.state() == QProcess::NotRunning) {
            break;
        }
    }
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    return result;
}

} // namespace marlox::platform
