#pragma once

#include "base/Result.h"
#include "catalog/CatalogManifest.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace marlox::catalog {

// The record of one installed package, as kept in installed.json.
struct InstalledPackage {
    QString id;
    QString version;
    // yyyy-MM-ddTHH:mm:ssZ; kept as text, never parsed.
    QString installedAtISO8601;
    PackageType packageType = PackageType::template_;
    // Empty when the package has no installed folder.
    QString installPath;
    // In placement order.
    QStringList templateInstallPaths;

    bool operator==(const InstalledPackage&) const = default;
};

size_t qHash(const InstalledPackage& record, size_t seed = 0);

// The catalog entry each installed record stands for. A catalog may list one id twice, and a
// record names its version: the entry of the record's id and version wins, else the first entry
// of its id, so that a screen never shows or repairs a record as another entry's package. Made
// once per catalog, so that each record is found by hash.
class RecordedEntries {
public:
    explicit RecordedEntries(const QList<PackageManifest>& packages);

    // None when the catalog lists no entry of the record's id.
    std::optional<PackageManifest> entryFor(const InstalledPackage& record) const;
    // Where that entry stands in the catalog the entries were made from.
    std::optional<qsizetype> indexFor(const InstalledPackage& record) const;

private:
    QList<PackageManifest> m_packages;
    QHash<QString, qsizetype> m_firstIndexByID;
    QHash<std::pair<QString, QString>, qsizetype> m_indexByIDAndVersion;
};

// One top-level array of records; one bad element fails the whole file. In a record, missing or
// null "id" or "version", a wrong type or a package type that is not understood is an error; the
// other keys fall back to empty text, `template` and no paths.
Result<QList<InstalledPackage>, DecodingError> decodeInstalledPackages(const QByteArray& json);
// Compact, keys in field order, every key written.
QByteArray encodeInstalledPackages(const QList<InstalledPackage>& records);

// The key that orders ids as installed.json does: compare two keys to compare the ids.
QList<uint> idOrderKey(const QString& id);
// Puts records in the order of installed.json: the ids' canonically composed forms compared code
// point by code point (case-sensitive, not locale-aware, no numeric ordering).
void sortByID(QList<InstalledPackage>& records);

} // namespace marlox::catalog
