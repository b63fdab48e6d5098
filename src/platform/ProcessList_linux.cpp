#include "ProcessList.h"
#include "UserOwnership.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace marlox::platform {
namespace {

// The kernel keeps only the first 15 bytes of a command name.
constexpr qsizetype commandNameLimit = 15;

QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return {};
    }
    return file.read(4096);
}

// The state letter of /proc/<pid>/stat comes after the command name in parentheses, which may
// itself hold spaces and parentheses, so it is found from the last ')'.
bool hasEnded(const QString& processPath) {
    const QByteArray stat = readSmallFile(processPath + QLatin1String("/stat"));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size()) {
        return false;
    }
    const char state = stat.at(close + 2);
    return state == 'Z' || state == 'X';
}

bool runsExecutable(const QString& processPath, const QString& executableName) {
    QByteArray command = readSmallFile(processPath + QLatin1String("/comm"));
    if (command.endsWith('\n')) {
        command.chop(1);
    }
    const QByteArray wanted = executableName.toUtf8();
    if (wanted.size() <= commandNameLimit && command == wanted) {
        return true;
    }
    // A long name, or a process that renamed itself: the executable file decides.
    const QString executable = QFileInfo(processPath + QLatin1String("/exe")).symLinkTarget();
    return !executable.isEmpty() && QFileInfo(executable).fileName() == executableName;
}

} // namespace

QList<RunningApplication>
SystemProcessLister::runningApplications(const QString& bundleIdentifier,
                                         const QString& executableName) const {
    Q_UNUSED(bundleIdentifier);
    QList<RunningApplication> applications;
    if (executableName.isEmpty()) {
        return applications;
    }
    const QStringList entries = QDir(m_processFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const qint64 processIdentifier = entry.toLongLong(&isNumber);
        if (!isNumber) {
            continue;
        }
        const QString processPath = m_processFolder + QLatin1Char('/') + entry;
        // Another user's host does not load this user's plug-ins.
        if (belongsToCurrentUser(processPath) && runsExecutable(processPath, executableName)) {
            applications.append({processIdentifier, hasEnded(processPath)});
        }
    }
    return applications;
}

} // namespace marlox::platform
