#pragma once

// What the screen tests share: catalog packages and installed records made to order.
#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "support/QtPrinters.h"
#include "support/ScratchHome.h"

#include <QDir>

namespace marlox::testing {

inline catalog::PackageManifest
catalogPackage(const QString& id, const QString& version,
               catalog::PackageType type = catalog::PackageType::generator) {
    catalog::PackageManifest package;
    package.id = id;
    package.name = "Package " + id;
    package.type = type;
    package.category = "Blur";
    package.version = version;
    package.summary = "About " + id;
    package.releaseNotes = "Notes of " + id;
    return package;
}

inline catalog::InstalledPackage
installedRecord(const QString& id, const QString& version,
                catalog::PackageType type = catalog::PackageType::generator) {
    return {id, version, "2026-01-02T03:04:05Z", type, "/Plugins/" + id, {}};
}

// The records keyed by id, as the store publishes them.
inline catalog::InstalledPackageMap recordsByID(const QList<catalog::InstalledPackage>& records) {
    catalog::InstalledPackageMap byID;
    for (const catalog::InstalledPackage& record : records) {
        byID.insert(record.id, record);
    }
    return byID;
}

// A scratch bundle whose Info.plist holds `info`, with an empty resource folder.
inline platform::Bundle scratchBundle(const ScratchHome& home, const QVariantMap& info,
                                      const QString& name = "Scratch.app") {
    const QString path = home.filePath(name);
    writeFile(path + "/Contents/Info.plist", platform::binaryPropertyList(info));
    QDir().mkpath(path + "/Contents/Resources");
    return *platform::Bundle::load(path);
}

} // namespace marlox::testing
