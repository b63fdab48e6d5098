// The main window over a remote catalog of 10,000 packages: the Home section shown by a click on
// its sidebar row, from the click until the screen has painted; and the longest the main thread
// is held while such a catalog arrives with Home on show, from the start of the reload until the
// catalog is published and every screen has redrawn. Each must stay within a frame (16 ms). And
// the detail header's refresh at each change of the operations under way.
#include "BenchmarkSupport.h"
#include "LibraryBenchmarkSupport.h"
#include "WidgetBenchmarkSupport.h"
#include "app/AppPlatform.h"
#include "app/MarloxStudioApp.h"
#include "app/RootView.h"
#include "app/Sidebar.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFutureWatcher>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using namespace marlox;

// Lets the event loop do what a change left to do: layouts, then painting what changed, twice,
// for what the first layout and painting asked again.
void paintNow() {
    for (int pass = 0; pass < 2; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void await(const QFuture<void>& future) {
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    loop.exec();
}

// The application with one window, its start-up task done, over a remote catalog file of 10,000
// packages with every seventh one installed.
struct StudioWithLargeCatalog {
    StudioWithLargeCatalog() {
        const QString catalogFile = QDir::home().filePath(QStringLiteral("catalog.json"));
        QFile file(catalogFile);
        file.open(QIODevice::WriteOnly);
        file.write(catalog::encodeCatalogManifest({QStringLiteral("bench"), QStringLiteral("now"),
                                                   bench::generatedLibraryCatalog(10000)}));
        file.close();
        app::AppPlatform platform = app::AppPlatform::system();
        platform.configuration.remoteCatalogURL = QUrl::fromLocalFile(catalogFile);
        studio = std::make_unique<app::MarloxStudioApp>(std::move(platform));
        window = studio->openWindow();
        window->resize(1100, 700);
        await(studio->startupTask());
        studio->installedStore().setInstalledByID(
            bench::generatedInstalledRecords(studio->catalogService().packages()));
        paintNow();
    }

    std::unique_ptr<app::MarloxStudioApp> studio;
    app::RootView* window = nullptr;
};

void BM_HomeClickedToPaintedWith10000Packages(benchmark::State& state) {
    StudioWithLargeCatalog shown;
    if (shown.studio->catalogService().packages().size() != 10000) {
        state.SkipWithError("the catalog did not load");
        return;
    }
    app::SidebarRow* home = shown.window->sidebar()->row(app::AppSection::home);
    for (auto _ : state) {
        state.PauseTiming();
        shown.window->selectSection(app::AppSection::settings);
        paintNow();
        state.ResumeTiming();
        home->click();
        paintNow();
    }
}
BENCHMARK(BM_HomeClickedToPaintedWith10000Packages)->Unit(benchmark::kMillisecond);

// What the window does for its detail header at each change of the coordinator's operations, as
// a bulk reinstall makes several per package, with the header on show over a screen that does not
// follow the operations (Support): the counts were worked out when the catalog and the records
// last changed, so this stays the same however large the catalog is.
void BM_DetailHeaderOfTheWindowAtAnOperationsChangeWith10000Packages(benchmark::State& state) {
    StudioWithLargeCatalog shown;
    shown.window->selectSection(app::AppSection::support);
    paintNow();
    auto& coordinator = shown.studio->installationCoordinator();
    for (auto _ : state) {
        emit coordinator.activePackageIDsChanged();
    }
}
BENCHMARK(BM_DetailHeaderOfTheWindowAtAnOperationsChangeWith10000Packages)
    ->Unit(benchmark::kMicrosecond);

void BM_RemoteCatalogOf10000ArrivingOnHome(benchmark::State& state) {
    StudioWithLargeCatalog shown;
    std::vector<double> stalls;
    std::vector<double> busy;
    for (auto _ : state) {
        const bench::MainThreadStallMeter meter;
        await(shown.studio->catalogService().reload());
        // The redraws the publication asked for belong to the run too.
        paintNow();
        state.SetIterationTime(meter.elapsedNanoseconds() / 1e9);
        stalls.push_back(meter.longestStallMilliseconds());
        busy.push_back(meter.longestBusyMilliseconds());
    }
    state.counters["longest_stall_median_ms"] = bench::median(stalls);
    state.counters["longest_stall_max_ms"] = *std::max_element(stalls.begin(), stalls.end());
    state.counters["longest_busy_median_ms"] = bench::median(busy);
    state.counters["longest_busy_max_ms"] = *std::max_element(busy.begin(), busy.end());
}
BENCHMARK(BM_RemoteCatalogOf10000ArrivingOnHome)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    return marlox::bench::runWidgetBenchmarks(argc, argv);
}
