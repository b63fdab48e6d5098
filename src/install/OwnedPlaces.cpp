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

// A folder of the Motion Templates library that nothing of a start's settling reaches through a
// link: a link below the library may lead anywhere, into the user's own folders too.
bool isLibraryFolderWithoutLinks(const QString& folder) {
    return reachedWithoutLinks(folder, defaultTemplatesRoot());
}

// A records file may have been edited: only paths inside the Motion Templates library count, in
// folders reached without links.
QStringList recordedTemplatePaths(const catalog::InstalledPackage& record) {
    QStringList paths;
    for (const QString& path : record.templateInstallPaths) {
        if (!hasDotComponent(path) && isLibraryFolderWithoutLinks(parentOf(path))) {
            paths.append(QDir::cleanPath(path));
        }
    }
    return paths;
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

QString studioFolderName() {
    return vendorFolderName(platform::mainBundle());
}

// The studio's own folder in each of the type folders as it is on disk, and the folders directly
// inside it: where its templates lie, in a category folder or not. A fixed depth, so that finding
// them reads a few folders, never the user's whole library; nothing is reached through a link.
QStringList studioTemplateFoldersIn(const QStringList& typeFolders) {
    QStringList folders;
    for (const QString& typeFolder : typeFolders) {
        const QString studio = typeFolder + QLatin1Char('/') + studioFolderName();
        if (QFileInfo(studio).isDir() && isLibraryFolderWithoutLinks(studio)) {
            folders.append(studio);
            folders.append(subfolders(studio));
        }
    }
    return folders;
}

// The type folder of a path in the library whose second folder is the studio's.
std::optional<QString> studioTypeFolderOf(const QString& path) {
    const QString root = QDir::cleanPath(defaultTemplatesRoot());
    const QString cleaned = QDir::cleanPath(path);
    if (!cleaned.startsWith(root + QLatin1Char('/'))) {
        return std::nullopt;
    }
    const QStringList parts = cleaned.mid(root.size() + 1).split(QLatin1Char('/'));
    if (parts.size() < 2 || parts.first().startsWith(QLatin1Char('.')) ||
        parts.at(1) != studioFolderName()) {
        return std::nullopt;
    }
    return root + QLatin1Char('/') + parts.first();
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

QStringList OwnedPlaces::studioTemplateFoldersOfAnyType() {
    return studioTemplateFoldersIn(subfolders(QDir::cleanPath(defaultTemplatesRoot())));
}

OwnedPlaces::OwnedPlaces(catalog::InstalledPackageMap records,
                         const QList<catalog::PackageManifest>& catalogPackages)
    : m_records(std::move(records)), m_installRoots(installRoots()) {
    const QString root = QDir::cleanPath(defaultTemplatesRoot());
    for (const QString& typeFolder : libraryTypeFolderNames) {
        m_typeFolders.append(root + QLatin1Char('/') + typeFolder);
    }
    const auto addTypeFolderOf = [this](const QString& path) {
        const auto typeFolder = studioTypeFolderOf(path);
        if (typeFolder && !m_typeFolders.contains(*typeFolder)) {
            m_typeFolders.append(*typeFolder);
        }
    };
    for (const catalog::PackageManifest& package : catalogPackages) {
        if (!package.hasMotionTemplatePayload()) {
            continue;
        }
        // A target it would reach through a link it refuses.
        const auto folder = templateTargetDirectory(package, defaultTemplatesRoot());
        if (folder && !m_catalogTemplateFolders.contains(package.id, *folder)) {
            m_catalogTemplateFolders.insert(package.id, *folder);
            addTypeFolderOf(*folder);
        }
    }
    for (const catalog::InstalledPackage& record : m_records) {
        const QStringList recorded = recordedTemplatePaths(record);
        for (const QString& path : recorded) {
            addTypeFolderOf(path);
            m_versionAtLivePath.insert(path, record.version);
        }
        m_recordedTemplatePaths.insert(record.id, {recorded.cbegin(), recorded.cend()});
    }
    // Once the recorded template paths are known, which tell live paths too.
    for (const catalog::InstalledPackage& record : m_records) {
        const QString installPath = QDir::cleanPath(record.installPath);
        if (isLivePathOf(record.id, installPath)) {
            m_versionAtLivePath.insert(installPath, record.version);
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
    if (m_recordedTemplatePaths.value(packageID).contains(cleaned)) {
        return true;
    }
    return !QFileInfo(cleaned).fileName().startsWith(QLatin1Char('.')) &&
           (m_catalogTemplateFolders.contains(packageID, parentOf(cleaned)) ||
            isStudioTemplatesFolder(parentOf(cleaned)));
}

bool OwnedPlaces::isFolderOf(const QString& packageID, const QString& folder) const {
    return !hasDotComponent(folder) && (foldersOf(packageID).contains(QDir::cleanPath(folder)) ||
                                        isStudioTemplatesFolder(folder));
}

bool OwnedPlaces::isStudioTemplatesFolder(const QString& folder) const {
    // Reached without links also means absolute and without "." or "..".
    const auto typeFolder = studioTypeFolderOf(folder);
    return typeFolder && m_typeFolders.contains(*typeFolder) && isLibraryFolderWithoutLinks(folder);
}

QStringList OwnedPlaces::foldersOf(const QString& packageID) const {
    QStringList folders = m_installRoots + m_catalogTemplateFolders.values(packageID);
    for (const QString& recorded : m_recordedTemplatePaths.value(packageID)) {
        folders.append(parentOf(recorded));
    }
    return folders;
}

QStringList OwnedPlaces::folders() const {
    QStringList folders = m_installRoots + m_catalogTemplateFolders.values();
    for (const QSet<QString>& recorded : m_recordedTemplatePaths) {
        for (const QString& path : recorded) {
            folders.append(parentOf(path));
        }
    }
    folders.append(studioTemplateFoldersIn(m_typeFolders));
    folders.removeDuplicates();
    return folders;
}

std::optional<QString> OwnedPlaces::recordedVersionAt(const QString& live) const {
    const auto found = m_versionAtLivePath.constFind(QDir::cleanPath(live));
    return found == m_versionAtLivePath.constEnd() ? std::nullopt : std::optional(*found);
}

} // namespace marlox::install
