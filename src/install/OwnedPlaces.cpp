#include "OwnedPlaces.h"

#include "FileOperations.h"
#include "InstallEngineSupport.h"
#include "MotionTemplatesPlacement.h"
#include "base/SafePath.h"
#include "catalog/CatalogService.h"
#include "catalog/InstallLocations.h"
#include "platform/Bundle.h"

#include <QDir>
#include <QFileInfo>

namespace marlox::install {
namespace {

QString parentOf(const QString& path) {
    return QFileInfo(QDir::cleanPath(path)).path();
}

// A records file may have been edited: only paths inside the Motion Templates library count.
QStringList recordedTemplatePaths(const catalog::InstalledPackage& record) {
    QStringList paths;
    for (const QString& path : record.templateInstallPaths) {
        if (liesStrictlyInside(path, defaultTemplatesRoot())) {
            paths.append(QDir::cleanPath(path));
        }
    }
    return paths;
}

// The studio's own folder in a type folder of the library, or a folder below it, with no link
// on the way: whatever lies there is the application's.
bool liesInStudioTemplatesFolder(const QString& folder) {
    const QString root = QDir::cleanPath(defaultTemplatesRoot());
    const QString cleaned = QDir::cleanPath(folder);
    if (!QDir::isAbsolutePath(folder) || hasDotComponent(folder) ||
        !cleaned.startsWith(root + QLatin1Char('/'))) {
        return false;
    }
    const QStringList parts = cleaned.mid(root.size() + 1).split(QLatin1Char('/'));
    if (parts.size() < 2 || parts.first().startsWith(QLatin1Char('.')) ||
        parts.at(1) != vendorFolderName(platform::mainBundle())) {
        return false;
    }
    return canonicalPath(cleaned) ==
           canonicalPath(root) + QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

// The visible folders directly inside a folder, links left out.
QStringList subfolders(const QString& folder) {
    QStringList paths;
    for (const QString& name :
         QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        paths.append(folder + QLatin1Char('/') + name);
    }
    return paths;
}

QList<catalog::PackageManifest> knownCatalogPackages() {
    QList<catalog::PackageManifest> packages;
    if (auto embedded = catalog::loadEmbeddedManifest()) {
        packages.append(embedded->packages);
    }
    if (auto cached = catalog::loadRemoteManifestCache()) {
        packages.append(cached->packages);
    }
    return packages;
}

} // namespace

OwnedPlaces OwnedPlaces::read() {
    // Records that cannot be read are what the store will start from too: none.
    return {catalog::readInstalledRecords().value_or(catalog::InstalledPackageMap()),
            knownCatalogPackages()};
}

QStringList OwnedPlaces::installRoots() {
    return {QDir::cleanPath(catalog::installFolderPath()),
            QDir::cleanPath(catalog::legacyInstallFolderPath())};
}

QStringList OwnedPlaces::studioTemplateFolders() {
    const QString vendorFolder = vendorFolderName(platform::mainBundle());
    QStringList folders;
    for (const QString& typeFolder : subfolders(QDir::cleanPath(defaultTemplatesRoot()))) {
        const QString studio = typeFolder + QLatin1Char('/') + vendorFolder;
        if (QFileInfo(studio).isDir() && !QFileInfo(studio).isSymLink()) {
            folders.append(studio);
            folders.append(subfolders(studio));
        }
    }
    return folders;
}

OwnedPlaces::OwnedPlaces(catalog::InstalledPackageMap records,
                         const QList<catalog::PackageManifest>& catalogPackages)
    : m_records(std::move(records)), m_installRoots(installRoots()) {
    for (const catalog::PackageManifest& package : catalogPackages) {
        if (!package.hasMotionTemplatePayload()) {
            continue;
        }
        const auto folder = templateTargetDirectory(package, defaultTemplatesRoot());
        if (folder && !m_catalogTemplateFolders.contains(package.id, *folder)) {
            m_catalogTemplateFolders.insert(package.id, *folder);
        }
    }
}

bool OwnedPlaces::isLivePathOf(const QString& packageID, const QString& path) const {
    if (!QDir::isAbsolutePath(path) || hasDotComponent(path) ||
        !base::isSafePathComponent(packageID)) {
        return false;
    }
    const QString cleaned = QDir::cleanPath(path);
    for (const QString& root : m_installRoots) {
        if (cleaned == root + QLatin1Char('/') + packageID) {
            return true;
        }
    }
    const auto record = m_records.constFind(packageID);
    if (record != m_records.constEnd() && recordedTemplatePaths(*record).contains(cleaned)) {
        return true;
    }
    return !QFileInfo(cleaned).fileName().startsWith(QLatin1Char('.')) &&
           (m_catalogTemplateFolders.contains(packageID, parentOf(cleaned)) ||
            liesInStudioTemplatesFolder(parentOf(cleaned)));
}

bool OwnedPlaces::isFolderOf(const QString& packageID, const QString& folder) const {
    return !hasDotComponent(folder) && (foldersOf(packageID).contains(QDir::cleanPath(folder)) ||
                                        liesInStudioTemplatesFolder(folder));
}

QStringList OwnedPlaces::foldersOf(const QString& packageID) const {
    QStringList folders = m_installRoots + m_catalogTemplateFolders.values(packageID);
    const auto record = m_records.constFind(packageID);
    if (record != m_records.constEnd()) {
        for (const QString& recorded : recordedTemplatePaths(*record)) {
            folders.append(parentOf(recorded));
        }
    }
    return folders;
}

QStringList OwnedPlaces::folders() const {
    QStringList folders = m_installRoots + m_catalogTemplateFolders.values();
    for (const catalog::InstalledPackage& record : m_records) {
        for (const QString& recorded : recordedTemplatePaths(record)) {
            folders.append(parentOf(recorded));
        }
    }
    folders.append(studioTemplateFolders());
    folders.removeDuplicates();
    return folders;
}

} // namespace marlox::install
