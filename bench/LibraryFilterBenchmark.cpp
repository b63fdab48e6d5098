// The Plugins screen's filtered, sorted list over a large catalog: it is computed again on every
// keystroke in the search field, so it must stay well inside one frame.
#include "LibraryBenchmarkSupport.h"
#include "ui/plugins/LibraryFilters.h"

#include <benchmark/benchmark.h>

namespace {

using namespace marlox;

const QList<catalog::PackageManifest>& catalogPackages() {
    static const QList<catalog::PackageManifest> packages = bench::generatedLibraryCatalog(10000);
    return packages;
}

void filterWithQuery(benchmark::State& state, const QString& query) {
    const catalog::InstalledPackageMap records =
        bench::generatedInstalledRecords(catalogPackages());
    const ui::LibraryFilterState filters{ui::PluginTypeFilter::all, ui::LibraryFilter::all,
                                         ui::allCategoriesSentinel, query};
    qsizetype shown = 0;
    for (auto _ : state) {
        const auto packages = ui::filteredPackages(catalogPackages(), records, filters);
        shown = packages.size();
        benchmark::DoNotOptimize(packages);
    }
    state.counters["shown"] = static_cast<double>(shown);
}

void BM_FilteredPackagesOneLetterQuery(benchmark::State& state) {
    filterWithQuery(state, QStringLiteral("a"));
}

void BM_FilteredPackagesNoQuery(benchmark::State& state) {
    filterWithQuery(state, QString());
}

} // namespace

BENCHMARK(BM_FilteredPackagesOneLetterQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilteredPackagesNoQuery)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
