// What the main window computes for its detail header each time the records, the catalog or the
// coordinator's operations change, over a catalog far larger than any real one. During a bulk
// reinstall this runs several times per package, so it must stay far inside one frame.
#include "app/DetailHeaderContent.h"
#include "app/PackageLists.h"
#include "catalog/InstalledPackage.h"

#include <benchmark/benchmark.h>

namespace {

using marlox::catalog::InstalledPackage;
using marlox::catalog::InstalledPackageMap;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;

QList<PackageManifest> generatedCatalog(int size) {
    QList<PackageManifest> packages;
    for (int index = 0; index < size; ++index) {
        PackageManifest package;
        package.id = QStringLiteral("com.marlox.generated.%1").arg(index);
        package.name = QStringLiteral("Generated Effect %1").arg(index);
        package.type = static_cast<PackageType>(index % 3);
        package.version = QStringLiteral("1.%1.0").arg(index % 17);
        packages.append(package);
    }
    return packages;
}

// Every other package installed at an old version.
InstalledPackageMap recordsOfHalf(const QList<PackageManifest>& packages) {
    InstalledPackageMap records;
    for (qsizetype index = 0; index < packages.size(); index += 2) {
        const QString& id = packages.at(index).id;
        records.insert(id, InstalledPackage{id, "1.0", "", PackageType::generator, "/p/" + id, {}});
    }
    return records;
}

void BM_DetailHeaderRefresh(benchmark::State& state) {
    const QList<PackageManifest> packages = generatedCatalog(static_cast<int>(state.range(0)));
    const InstalledPackageMap records = recordsOfHalf(packages);
    const marlox::install::BulkInstallProgress progress{3, 5, QStringLiteral("Edge Matte")};
    for (auto _ : state) {
        const marlox::app::DetailHeaderState header{
            .installedSection = true,
            .installedRecordCount = records.size(),
            .packagesWithUpdatesCount = marlox::app::packagesWithUpdates(packages, records).size(),
            .reinstallCandidatesCount = marlox::app::reinstallCandidates(packages, records).size(),
            .anyPackageActive = true,
            .bulkInstallProgress = progress,
        };
        benchmark::DoNotOptimize(marlox::app::detailHeaderContent(header));
    }
}
BENCHMARK(BM_DetailHeaderRefresh)->Arg(12)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
