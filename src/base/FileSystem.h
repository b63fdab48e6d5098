#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QIODevice;
class QRegularExpression;
class QFile;

namespace marlox::base {

// What the system says of an error number, in its own words ("No space left on device").
QString systemReason(int error);

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

// A save of a whole file in progress. Its bytes go into a temporary file beside the file, which
// replaces it only once they all reached the disk: until then, and when the save is cancelled or
// dropped, the file is as it was. A link in the file's place is followed, and the file keeps its
// permissions, as Qt's QSaveFile does.
class WholeFileSave {
public:
    explicit WholeFileSave(const QString& path);
    ~WholeFileSave();
    WholeFileSave(const WholeFileSave&) = delete;
    WholeFileSave& operator=(const WholeFileSave&) = delete;

    std::optional<FileSaveError> open();
    // Unbuffered, so that a disk that refuses the bytes answers the write itself, with its
    // reason.
    QIODevice& device();
    // The bytes are flushed and synced, each checked, before the temporary file replaces the
    // old one: a write the disk refused (a full one) may only show there. On failure the old
    // file stays and the save is cancelled.
    std::optional<FileSaveError> commit();
    void cancel();

private:
    std::optional<FileSaveError> nameTheTemporaryFile();

    QString m_path;
    QString m_target;
    QString m_temporaryPath;
    int m_descriptor = -1;
    std::unique_ptr<QFile> m_file;
};

// Replaces the file as a whole through a `WholeFileSave`: the file is the new bytes or, on
// failure, as it was.
std::optional<FileSaveError> saveWholeFile(const QString& path, const QByteArray& bytes);
// Writes all the bytes, taking up again after a short write, as a full disk makes one: the write
// that then fails tells why. The device's reason when not all could be written.
std::optional<QString> writeAll(QIODevice& device, const QByteArray& bytes);

// The file's bytes, read whole unless it holds more than `limit` bytes. The reading stops one
// byte past the limit, so that a file whose size is not known ahead (a pipe) is bounded too.
Result<QByteArray, FileReadError> readWholeFile(const QString& path, qint64 limit);

// A size in mebibytes with one decimal ("9.3"), as messages about a bound on a file give it.
QString mebibytesText(qint64 bytes);
// The bound itself, a whole number of mebibytes, with its unit ("8 MiB").
QString mebibytesBoundText(qint64 bound);

// What Qt's temporary files and folders put in place of the "XXXXXX" of their name: a temporary
// folder a killed process left is known by it.
inline const QString temporaryNameSuffixPattern = QStringLiteral("[A-Za-z0-9]{6}");

// The name a save's temporary file has, which it keeps when the process dies before the final
// rename: ".<file name>.saving-" and six letters or digits. Hidden, and of a shape no user gives
// a copy: "installed.json.backup" is a user's, whatever six characters could spell.
QRegularExpression unfinishedSaveName(const QString& fileNamePattern);
// Removes from the folder the regular files (never a link, nor anything else) so named: saves
// that a killed run left.
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
