// What the Home and Installed screens compute on every refresh, over a catalog far larger than
// any real one: the refresh must stay well inside one frame.
#include "catalog/InstalledPackage.h"
#include "ui/HomeDashboard.h"
#include "ui/InstalledRows.h"
#include "ui/OtherChannelInstalls.h"

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

void BM_HomeRefresh(benchmark::State& state) {
    for (auto _ : state) {
        const auto coverage = marlox::ui::catalogCoverage(largeCatalog(), manyRecords().size());
        auto whatsNew = marlox::ui::whatsNewPackages(largeCatalog());
        auto featured = marlox::ui::featuredPackage(largeCatalog(), QStringLiteral("absent"));
        benchmark::DoNotOptimize(coverage);
        benchmark::DoNotOptimize(whatsNew);
        benchmark::DoNotOptimize(featured);
    }
}

void BM_InstalledRowsJoin(benchmark::State& state) {
    for (auto _ : state) {
        auto rows = marlox::ui::installedRows(manyRecords(), largeCatalog());
        benchmark::DoNotOptimize(rows);
    }
}

// One existence test per unrecorded catalog plug-in, against a folder holding a hundred.
void BM_OtherChannelInstallsScan(benchmark::State& state) {
    QTemporaryDir shared;
    for (int index = 1; index < 10000; index += 100) {
        QDir().mkpath(shared.filePath(largeCatalog().at(index).id));
    }
    for (auto _ : state) {
        auto found = marlox::ui::otherChannelInstalls(largeCatalog(), manyRecords(), shared.path());
        benchmark::DoNotOptimize(found);
    }
}

} // namespace

BENCHMARK(BM_HomeRefresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InstalledRowsJoin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OtherChannelInstallsScan)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
