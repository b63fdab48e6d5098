#include "LibraryBenchmarkSupport.h"

#include "catalog/CatalogService.h"

#include <QStringList>

namespace marlox::bench {

QList<catalog::PackageManifest> generatedLibraryCatalog(int packageCount) {
    const QStringList adjectives = {"Soft",  "Kinetic", "Vivid",  "Broadcast", "Film",
                                    "Glass", "Neon",    "Quiet",  "Rolling",   "Paper",
                                    "Deep",  "Bright",  "Silver", "Urban",     "Zen"};
    const QStringList nouns = {"Glow", "Titles", "Grade", "Countdown", "Matte", "Key",
                               "Grid", "Wipe",   "Blur",  "Flare",     "Burn",  "Frame"};
    const QStringList otherCategories = {"Rotoscope", "Distortion", "Stylize"};
    QList<catalog::PackageManifest> packages;
    packages.reserve(packageCount);
    for (int index = 0; index < packageCount; ++index) {
        catalog::PackageManifest package;
        package.id = QStringLiteral("studio.marlox.generated.%1").arg(index);
        package.name = QStringLiteral("%1 %2 %3")
                           .arg(adjectives[index % adjectives.size()],
                                nouns[(index / adjectives.size()) % nouns.size()])
                           .arg(index);
        package.type = index % 10 == 9 ? catalog::PackageType::template_
                                       : (index % 2 == 0 ? catalog::PackageType::generator
                                                         : catalog::PackageType::filter);
        package.category = index % 8 < 5 ? catalog::catalogCategoryTitles[index % 5]
                                         : otherCategories[index % otherCategories.size()];
        if (index % 4 != 0) {
            package.summary = QStringLiteral("A generated effect for measuring the library.");
        }
        package.version = QStringLiteral("1.%1.0").arg(index % 17);
        package.releaseNotes = QStringLiteral("Small improvements.");
        packages.append(package);
    }
    return catalog::packagesSortedByName(packages);
}

catalog::InstalledPackageMap
generatedInstalledRecords(const QList<catalog::PackageManifest>& packages) {
    catalog::InstalledPackageMap records;
    for (qsizetype index = 0; index < packages.size(); index += 7) {
        const catalog::PackageManifest& package = packages[index];
        const QString version = index % 3 == 0 ? QStringLiteral("0.9") : package.version;
        records.insert(package.id, {package.id, version, {}, package.type, {}, {}});
    }
    return records;
}

} // namespace marlox::bench
