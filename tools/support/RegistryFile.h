#pragma once

#include "platform/ExclusiveFileLock.h"

#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::tools {

// Exit statuses of the tools: success, a failed operation, a malformed command line.
inline constexpr int exitSuccess = 0;
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 64;

// What a registry file may hold, so that a run reads it in a moment: far more than the
// registrations of every plug-in and application a user has. A save that would pass it is refused,
// for the next run would have to set the registry aside.
inline constexpr qint64 maximumRegistryBytes = 16 * 1024 * 1024;

// A registry of the tools that stand in for the system's: a JSON array in a file under the user's
// data folder. Holding one locks it against other runs of the tools until it is destroyed. The
// lock is taken on "<name>.lock" beside the file, whose content is never read, and the system
// lets go of it when its holder ends however it ends: nothing a killed run leaves behind holds
// back the next.
class RegistryFile {
public:
    // The file `<user data folder>/<folder>/<fileName>`; problems are reported under the tool's
    // name.
    RegistryFile(const char* toolName, const QString& folder, const QString& fileName);

    const QString& path() const { return m_path; }

    // Under the lock, settles what earlier runs left and reads the registry: the temporary files
    // of a save that was killed are removed, and a file that cannot be read as a registry is set
    // aside, saying so on standard error, so that the run starts from an empty registry. An empty
    // registry when the file is missing. Nothing, after saying why on standard error, when the
    // lock is not had or an unreadable file cannot be set aside.
    std::optional<QJsonArray> settleAndLoad() const;
    // Replaces the file as a whole once every byte is on disk; why not (the file unchanged) when
    // it cannot be written or would hold more than a run reads.
    std::optional<QString> save(const QJsonArray& entries) const;

private:
    std::optional<QJsonArray> setAside(const QString& reason) const;

    const char* m_toolName;
    QString m_path;
    Result<platform::ExclusiveFileLock, platform::FileLockError> m_lock;
};

// The absolute path with "." and ".." removed and links resolved as far as the path exists.
QString resolvedPath(const QString& path);

// A line on standard error, prefixed with the tool's name; control characters in the message are
// shown as escapes, so that it stays one line.
void complain(const char* tool, const QString& message);

// The arguments after the program name.
QStringList commandLineArguments(int argc, char* argv[]);

} // namespace marlox::tools
