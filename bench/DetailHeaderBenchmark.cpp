// What the main window computes for its detail header and sidebar, over a catalog far larger than
// any real one: the two package counts, once per change of the catalog or the records, and the
// header's content at each change of the coordinator's operations with the counts kept. During a
// bulk reinstall the latter runs several times per package, so it must stay far inside one frame.
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

void BM_PackageCountsOncePerChange(benchmark::State& state) {
    const QList<PackageManifest> packages = generatedCatalog(static_cast<int>(state.range(0)));
    const InstalledPackageMap records = recordsOfHalf(packages);
    for (auto _ : state) {
        benchmark::DoNotOptimize(marlox::app::packageListCounts(packages, records));
    }
}
BENCHMARK(BM_PackageCountsOncePerChange)
    ->Arg(12)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond);

void BM_DetailHeaderRefreshWithTheCountsKept(benchmark::State& state) {
    const QList<PackageManifest> packages = generatedCatalog(static_cast<int>(state.range(0)));
    const InstalledPackageMap records = recordsOfHalf(packages);
    const marlox::install::BulkInstallProgress progress{3, 5, QStringLiteral("Edge Matte")};
    marlox::app::PackageListCountsCache counts;
    counts.get(packages, records, marlox::app::packageListCounts);
    for (auto _ : state) {
        const auto& kept = counts.get(packages, records, marlox::app::packageListCounts);
        const marlox::app::DetailHeaderState header{
            .installedSection = true,
            .installedRecordCount = records.size(),
            .packagesWithUpdatesCount = kept.packagesWithUpdates,
            .reinstallCandidatesCount = kept.reinstallCandidates,
            .anyPackageActive = true,
            .bulkInstallProgress = progress,
        };
        benchmark::DoNotOptimize(marlox::app::detailHeaderContent(header));
    }
}
BENCHMARK(BM_DetailHeaderRefreshWithTheCountsKept)
    ->Arg(12)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
