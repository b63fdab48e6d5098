// What the Home and Installed screens compute, over a catalog far larger than any real one: Home's
// summary once per change of the catalog or the records and what each build asks of it, the
// Installed screen's rows on every refresh, and the found installs joined on the main thread to
// the shared folder's listing made off it. Each must stay well inside one frame.
#include "catalog/InstalledPackage.h"
#include "ui/home/HomeDashboard.h"
#include "ui/installed/InstalledRows.h"
#include "ui/installed/OtherChannelInstalls.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using marlox::catalog::InstalledPackage;
using marlox::catalog::InstalledPackageMap;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;

const QList<PackageManifest>& largeCatalog() {
    static const QList<PackageManifest> packages = [] {
        QList<PackageManifest> generated;
        for (int index = 0; index < 10000; ++index) {
            PackageManifest package;
            package.id = QStringLiteral("com.marlox.generated.%1").arg(index);
            package.name = QStringLiteral("Generated Effect %1").arg(index);
            package.type = static_cast<PackageType>(index % 3);
            package.version = QStringLiteral("1.%1.0").arg(index % 17);
            package.releaseNotes = index % 5 == 0 ? "Initial release." : "Small improvements.";
            generated.append(package);
        }
        return generated;
    }();
    return packages;
}

// Every tenth package installed, and as many stale records.
const InstalledPackageMap& manyRecords() {
    static const InstalledPackageMap records = [] {
        InstalledPackageMap map;
        for (int index = 0; index < 10000; index += 10) {
            for (const QString& id :
                 {largeCatalog().at(index).id, QStringLiteral("stale.%1").arg(index)}) {
                map.insert(id,
                           InstalledPackage{id, "1.0", "", PackageType::generator, "/p/" + id, {}});
            }
        }
        return map;
    }();
    return records;
}

void BM_HomeSummaryOncePerChange(benchmark::State& state) {
    for (auto _ : state) {
        auto summary = marlox::ui::homeSummary(largeCatalog(), manyRecords());
        benchmark::DoNotOptimize(summary);
    }
}

// A Home screen built while neither changed: the kept summary, the featured pick and the pack.
void BM_HomeBuildWithTheSummaryKept(benchmark::State& state) {
    marlox::ui::HomeSummaryCache cache;
    cache.get(largeCatalog(), manyRecords(), marlox::ui::homeSummary);
    for (auto _ : state) {
        const auto& summary = cache.get(largeCatalog(), manyRecords(), marlox::ui::homeSummary);
        const auto picked =
            marlox::ui::pickFeaturedPackageID(largeCatalog(), summary.featured, std::nullopt,
                                              [](qsizetype count) { return count / 2; });
        auto featured = marlox::ui::featuredPackage(largeCatalog(), summary.featured, picked);
        benchmark::DoNotOptimize(summary);
        benchmark::DoNotOptimize(featured);
    }
}

void BM_InstalledRowsJoin(benchmark::State& state) {
    for (auto _ : state) {
        auto rows = marlox::ui::installedRows(manyRecords(), largeCatalog());
        benchmark::DoNotOptimize(rows);
    }
}

// The catalog's unrecorded plug-ins joined to a listing of a shared folder holding a hundred.
void BM_OtherChannelInstallsJoin(benchmark::State& state) {
    QTemporaryDir shared;
    for (int index = 1; index < 10000; index += 100) {
        QDir().mkpath(shared.filePath(largeCatalog().at(index).id));
    }
    const QSet<QString> names = marlox::ui::sharedFolderNames(shared.path());
    for (auto _ : state) {
        auto found =
            marlox::ui::otherChannelInstalls(largeCatalog(), manyRecords(), shared.path(), names);
        benchmark::DoNotOptimize(found);
    }
}

} // namespace

BENCHMARK(BM_HomeSummaryOncePerChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HomeBuildWithTheSummaryKept)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InstalledRowsJoin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OtherChannelInstallsJoin)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
