#pragma once

#include "base/DescribedError.h"
#include "catalog/InstalledPackage.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <optional>

namespace marlox::catalog {

using InstalledPackageMap = QMap<QString, InstalledPackage>;

// No real installed.json comes near this: 10,000 records, each with four long template paths,
// take 9.4 MiB. A larger file is not read, so reading it at start costs the main thread one
// bounded read at most; and no larger one is written.
inline constexpr qint64 maximumRecordsFileBytes = 16 * 1024 * 1024;

// Why installed.json was not written; the file keeps what it held.
struct RecordsSaveError : base::DescribedError {
    using DescribedError::DescribedError;
};

// The records of what is installed, kept in installed.json. It loads the file once, when it is
// made; its owners change `installedByID` and then call saveToDisk().
class InstalledPackageStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(marlox::catalog::InstalledPackageMap installedByID READ installedByID WRITE
                   setInstalledByID NOTIFY installedByIDChanged)

public:
    explicit InstalledPackageStore(QObject* parent = nullptr);

    const InstalledPackageMap& installedByID() const { return m_installedByID; }
    void setInstalledByID(const InstalledPackageMap& installedByID);

    std::optional<InstalledPackage> record(const QString& id) const;
    // Whether the recorded install folder, or else one of its template folders, still exists.
    bool isPresentOnDisk(const QString& id) const;
    // Writes every record, sorted by id, atomically. Records that would make the file larger than
    // a start reads are refused. A failure is logged and answered, and the file keeps what it
    // held; the map stays as it is, for its owner to decide.
    std::optional<RecordsSaveError> saveToDisk();
    // Takes the records and saves them; when the save fails, it takes back those it held, so that
    // it still says what the file does, and answers why.
    std::optional<RecordsSaveError> setInstalledByIDAndSave(const InstalledPackageMap& records);

    // The short version of the first application bundle directly inside the folder.
    static std::optional<QString> bundleVersion(const QString& folderPath);

signals:
    void installedByIDChanged();

private:
    void load();
    bool moveUnreadableFileAside();

    InstalledPackageMap m_installedByID;
    // An installed.json that could not be read, or was too large to be, and is still in place; no
    // save may replace it before it has been moved aside.
    bool m_unreadFileInTheWay = false;
};

// What installed.json holds, as loading reads it: an empty map when there is no file, nothing when
// it cannot be read or is larger than it may be. The store is not involved; start-up reads this
// before the store exists.
std::optional<InstalledPackageMap> readInstalledRecords();

// Rewrites an install path under the legacy install folder to the same place under the current
// one. Only the folder itself or a path inside it matches, never a sibling that merely shares
// the name's beginning.
QString migrateLegacyInstallPath(const QString& installPath, const QString& legacyRoot,
                                 const QString& currentRoot);

} // namespace marlox::catalog
