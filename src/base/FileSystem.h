#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;
class QRegularExpression;
class QSaveFile;

namespace marlox::base {

// A folder that could not be made, and the sentence that says so.
struct FileSystemError {
    QString path;

    QString description() const;
};

// A file that could not be read whole, and why; `tooLarge` when it holds more than was allowed,
// which its reader tells in its own words.
struct FileReadError {
    QString path;
    QString reason;
    bool tooLarge = false;

    // "The file “<path>” could not be read: <reason>"
    QString description() const;
};

// A file that could not be saved, and why, in the system's words.
struct FileSaveError {
    QString path;
    QString reason;

    // "The file “<path>” could not be saved: <reason>"
    QString description() const;
};

// Replaces the file as a whole, through a temporary file renamed over it: the file is the new
// bytes or, on failure, as it was.
std::optional<FileSaveError> saveWholeFile(const QString& path, const QByteArray& bytes);
// Writes all the bytes, taking up again after a short write, as a full disk makes one: the write
// that then fails tells why. The device's reason when not all could be written.
std::optional<QString> writeAll(QIODevice& device, const QByteArray& bytes);
// Ends a save whose bytes were all handed to the open file: they are flushed and synced, each
// checked, before the temporary file replaces the old one. A write the disk refused (a full one)
// only shows at the flush, and Qt's own commit would then put a file cut short in place. On
// failure the old file stays and the save is cancelled.
std::optional<FileSaveError> commitWholeFile(QSaveFile& file);

// The file's bytes, read whole unless it holds more than `limit` bytes. The reading stops one
// byte past the limit, so that a file whose size is not known ahead (a pipe) is bounded too.
Result<QByteArray, FileReadError> readWholeFile(const QString& path, qint64 limit);

// A size in mebibytes with one decimal ("9.3"), as messages about a bound on a file give it.
QString mebibytesText(qint64 bytes);
// The bound itself, a whole number of mebibytes, with its unit ("8 MiB").
QString mebibytesBoundText(qint64 bound);

// What Qt's temporary files and folders put in place of the "XXXXXX" of their name: a save that
// a killed process left, or a temporary folder, is known by it.
inline const QString temporaryNameSuffixPattern = QStringLiteral("[A-Za-z0-9]{6}");

// The name of what a save leaves beside its file when the process dies before the final rename:
// a name the pattern matches, a dot and the six characters of a temporary name.
QRegularExpression unfinishedSaveName(const QString& fileNamePattern);
// Removes from the folder the files (never a link) so named: saves that a killed run left.
void removeUnfinishedSaves(const QString& folder, const QString& fileNamePattern);

// A name beside the file that nothing uses yet, to keep a file that could not be read under:
// "<path>.unreadable-<the UTC time in ISO 8601>", with "-2", "-3"… after it when that is taken.
QString unreadableCopyPath(const QString& path);

// Creates the folder and any missing folders above it; an existing folder is no error.
std::optional<FileSystemError> createFolder(const QString& path);

// The names directly inside a folder, hidden (dot) entries left out, in the order the file system
// lists them; nothing when the folder cannot be listed, which an empty list must not be taken for.
std::optional<QStringList> visibleEntryNames(const QString& folder);

// A file, a folder or a link, even a dangling one.
bool somethingExistsAt(const QString& path);

// Asks the system to write the folder's entries to disk, so that a file renamed into it stays
// there after a power loss. Failures are ignored: the rename itself has happened.
void syncFolder(const QString& folder);

} // namespace marlox::base
