// The Plugins screen's own cost on the main thread: laying out again the cards a 1060 by 520 grid
// of 500 packages shows (the grid makes cards for the rows in view only; the count made is
// reported), in each of the three layouts, and one letter typed into the search field over a
// catalog of 10,000 packages, from the keystroke until the grid has been painted anew. A frame
// is 16 ms.
#include "LibraryBenchmarkSupport.h"
#include "ServicesBenchmarkSupport.h"
#include "WidgetBenchmarkSupport.h"
#include "catalog/Environment.h"
#include "platform/HttpClient.h"
#include "ui/kit/ThumbnailCache.h"
#include "ui/plugins/LibraryPresentation.h"
#include "ui/plugins/LibraryView.h"
#include "ui/plugins/PackageCardGrid.h"

#include <QCoreApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

using namespace marlox;

// Lets the event loop do what a change left to do: layouts, then painting what changed.
void paintNow() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Each run alternates the width and the order of the 500 packages, so every card on show is
// placed and given new values.
void BM_RelayoutTheCardsInViewOfAGridOf500(benchmark::State& state,
                                           catalog::LibraryDisplayMode mode) {
    ui::ThumbnailCache thumbnails(std::make_shared<platform::NetworkHttpClient>(),
                                  catalog::thumbnailCacheDirectory());
    const QList<catalog::PackageManifest> packages = bench::generatedLibraryCatalog(500);
    QList<catalog::PackageManifest> reversed = packages;
    std::reverse(reversed.begin(), reversed.end());
    const auto valuesFor = [](const catalog::PackageManifest& package) {
        return ui::PackageCardValues{package, ui::cardSummary(package),
                                     ui::LibraryCardState::notInstalled, false};
    };
    ui::PackageCardGrid grid(thumbnails);
    grid.resize(1060, 520);
    grid.show();
    grid.setContent(mode, packages, valuesFor);
    paintNow();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        grid.resize(flip ? 1000 : 1060, 520);
        grid.setContent(mode, flip ? reversed : packages, valuesFor);
        paintNow();
    }
    state.counters["cards_made"] = grid.madeCardCount();
}
BENCHMARK_CAPTURE(BM_RelayoutTheCardsInViewOfAGridOf500, list, catalog::LibraryDisplayMode::list)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RelayoutTheCardsInViewOfAGridOf500, small, catalog::LibraryDisplayMode::small)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RelayoutTheCardsInViewOfAGridOf500, medium,
                  catalog::LibraryDisplayMode::medium)
    ->Unit(benchmark::kMillisecond);

// One letter typed and the grid painted; deleting it again is not counted. "a" keeps most
// packages, so most cards keep theirs; "q" keeps few, so every card on show takes another.
void BM_TypeALetterWith10000Packages(benchmark::State& state, const QString& letter) {
    bench::ScreenServices services(
        bench::writtenCatalogFile(bench::generatedLibraryCatalog(10000)));
    if (!services.loadCatalog()) {
        state.SkipWithError("the catalog did not load");
        return;
    }
    services.installedStore.setInstalledByID(
        bench::generatedInstalledRecords(services.catalogService->packages()));
    ui::ThumbnailCache thumbnails(std::make_shared<platform::NetworkHttpClient>(),
                                  catalog::thumbnailCacheDirectory());
    ui::LibraryView view(services.settings, *services.catalogService, services.installedStore,
                         *services.coordinator, thumbnails);
    view.resize(1100, 700);
    view.show();
    paintNow();
    auto* field = view.findChild<QLineEdit*>(QStringLiteral("searchField"));
    for (auto _ : state) {
        field->insert(letter);
        paintNow();
        state.PauseTiming();
        field->backspace();
        paintNow();
        state.ResumeTiming();
    }
    state.counters["cards_made"] = view.cardGrid()->madeCardCount();
}
BENCHMARK_CAPTURE(BM_TypeALetterWith10000Packages, most_stay, QStringLiteral("a"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TypeALetterWith10000Packages, all_change, QStringLiteral("q"))
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return marlox::bench::runWidgetBenchmarks(argc, argv);
}
