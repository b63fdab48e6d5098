#include "PackageLists.h"

namespace marlox::app {
namespace {

template <typename Keep>
QList<catalog::PackageManifest> installedPlugins(const QList<catalog::PackageManifest>& packages,
                                                 const catalog::InstalledPackageMap& installedByID,
                                                 Keep keep) {
    QList<catalog::PackageManifest> kept;
    for (const auto& package : packages) {
        if (package.type == catalog::PackageType::template_) {
            continue;
        }
        const auto record = installedByID.constFind(package.id);
        if (record != installedByID.cend() && keep(package, *record)) {
            kept.append(package);
        }
    }
    return kept;
}

} // namespace

QList<catalog::PackageManifest>
packagesWithUpdates(const QList<catalog::PackageManifest>& packages,
                    const catalog::InstalledPackageMap& installedByID) {
    return installedPlugins(
        packages, installedByID,
        [](const catalog::PackageManifest& package, const catalog::InstalledPackage& record) {
            return catalog::compareVersions(record.version, package.version) == -1;
        });
}

QList<catalog::PackageManifest>
reinstallCandidates(const QList<catalog::PackageManifest>& packages,
                    const catalog::InstalledPackageMap& installedByID) {
    return installedPlugins(
        packages, installedByID,
        [](const catalog::PackageManifest&, const catalog::InstalledPackage&) { return true; });
}

} // namespace marlox::app
