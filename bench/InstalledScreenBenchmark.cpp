// The Installed screen's cost on the main thread with 12, 100 and 1,430 records over a catalog of
// 10,000 packages: its first showing, and one refresh caused by a change it follows, from the
// change until the screen has been laid out and painted anew: an operation starting on one
// package (a repair, whose end is not counted), one record added in the middle of the order, and
// the "Show All Details" switch turned on, which changes every card. A frame is 16 ms.
#include "LibraryBenchmarkSupport.h"
#include "ServicesBenchmarkSupport.h"
#include "WidgetBenchmarkSupport.h"
#include "catalog/Environment.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "ui/installed/InstalledView.h"
#include "ui/kit/ThumbnailCache.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using namespace marlox;

// Lays out and paints what a change left to do, and deletes what it let go, without running what
// the change queued for later (an operation's next step, a listing's answer).
void layOutAndPaint() {
    for (int pass = 0; pass < 2; ++pass) {
        for (const QEvent::Type type :
             {QEvent::LayoutRequest, QEvent::UpdateRequest, QEvent::DeferredDelete}) {
            QCoreApplication::sendPostedEvents(nullptr, type);
        }
    }
}

// Runs the event loop until the condition holds and nothing is left to do; false when it never
// held.
bool settleUntil(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(60000);
    while (!condition() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return condition();
}

double secondsSince(const QElapsedTimer& clock) {
    return clock.nsecsElapsed() / 1e9;
}

// The first `recordCount` records by id of every seventh package of the catalog, and a package of
// the catalog without a record whose id falls in the middle of theirs.
struct InstalledScreen {
    explicit InstalledScreen(qsizetype recordCount)
        : services(bench::writtenCatalogFile(bench::generatedLibraryCatalog(10000))) {
        if (!services.loadCatalog()) {
            return;
        }
        const QList<catalog::PackageManifest>& packages = services.catalogService->packages();
        const catalog::InstalledPackageMap all = bench::generatedInstalledRecords(packages);
        for (auto record = all.cbegin(); records.size() < recordCount && record != all.cend();
             ++record) {
            records.insert(record.key(), *record);
        }
        services.installedStore.setInstalledByID(records);
        const QString middle = std::next(records.cbegin(), records.size() / 2).key();
        for (const catalog::PackageManifest& package : packages) {
            if (!records.contains(package.id) && package.id > middle &&
                (!added || package.id < added->id)) {
                added = package;
            }
        }
        repaired = *std::find_if(packages.cbegin(), packages.cend(),
                                 [&](const auto& package) { return package.id == middle; });
    }

    bool ready() const { return added.has_value(); }
    // Whether the named widget shows, once the change has been laid out and painted.
    bool shows(const QString& objectName) const {
        const auto* widget = view->findChild<QWidget*>(objectName);
        return widget && widget->isVisible();
    }
    void show() {
        view = std::make_unique<ui::InstalledView>(
            *services.catalogService, services.installedStore, *services.coordinator,
            services.settings, services.workspace, thumbnails);
        view->resize(1100, 700);
        view->show();
        layOutAndPaint();
    }

    bench::ScreenServices services;
    ui::ThumbnailCache thumbnails{std::make_shared<platform::NetworkHttpClient>(),
                                  catalog::thumbnailCacheDirectory()};
    catalog::InstalledPackageMap records;
    std::optional<catalog::PackageManifest> added;
    catalog::PackageManifest repaired;
    std::unique_ptr<ui::InstalledView> view;
};

void BM_InstalledScreenShown(benchmark::State& state) {
    InstalledScreen screen(state.range(0));
    if (!screen.ready()) {
        state.SkipWithError("the catalog did not load");
        return;
    }
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        screen.show();
        state.SetIterationTime(secondsSince(clock));
        screen.view.reset();
        settleUntil([] { return true; });
    }
}

// The clock starts when the coordinator announces the operation, before the screen hears of it,
// so the coordinator's own checks are not counted; the repair then fails, untimed.
void BM_InstalledRefreshAtAnOperationStarting(benchmark::State& state) {
    InstalledScreen screen(state.range(0));
    if (!screen.ready()) {
        state.SkipWithError("the catalog did not load");
        return;
    }
    install::InstallationCoordinator& coordinator = *screen.services.coordinator;
    QElapsedTimer clock;
    QObject::connect(&coordinator, &install::InstallationCoordinator::activePackageIDsChanged,
                     [&] { clock.start(); });
    screen.show();
    for (auto _ : state) {
        coordinator.install(screen.repaired);
        layOutAndPaint();
        state.SetIterationTime(secondsSince(clock));
        const auto* repair =
            screen.view->findChild<QWidget*>(QStringLiteral("repairButton:") + screen.repaired.id);
        if (!repair || repair->isEnabled()) {
            state.SkipWithError("the card of the package repaired did not wait for it");
            return;
        }
        if (!settleUntil([&] { return coordinator.activePackageIDs().isEmpty(); }) ||
            screen.services.installedStore.installedByID() != screen.records) {
            state.SkipWithError("the repair did not end, or changed the records");
            return;
        }
        coordinator.dismissPresentedError();
    }
}

void BM_InstalledRefreshAtARecordAdded(benchmark::State& state) {
    InstalledScreen screen(state.range(0));
    if (!screen.ready()) {
        state.SkipWithError("the catalog did not load");
        return;
    }
    catalog::InstalledPackageMap withOneMore = screen.records;
    withOneMore.insert(screen.added->id,
                       {screen.added->id, screen.added->version, {}, screen.added->type, {}, {}});
    screen.show();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        screen.services.installedStore.setInstalledByID(withOneMore);
        layOutAndPaint();
        state.SetIterationTime(secondsSince(clock));
        if (!screen.shows(QStringLiteral("installedCard:") + screen.added->id)) {
            state.SkipWithError("the added record's card did not show");
            return;
        }
        screen.services.installedStore.setInstalledByID(screen.records);
        settleUntil([] { return true; });
    }
}

void BM_InstalledRefreshAtShowAllDetailsSwitchedOn(benchmark::State& state) {
    InstalledScreen screen(state.range(0));
    if (!screen.ready()) {
        state.SkipWithError("the catalog did not load");
        return;
    }
    platform::UserDefaults& defaults = screen.services.defaults;
    screen.show();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        defaults.setValue(ui::installedText::showAllDetailsKey, true);
        layOutAndPaint();
        state.SetIterationTime(secondsSince(clock));
        if (!screen.shows(QStringLiteral("installedDetails:") + screen.repaired.id)) {
            state.SkipWithError("the cards did not show their details");
            return;
        }
        defaults.setValue(ui::installedText::showAllDetailsKey, false);
        settleUntil([] { return true; });
    }
}

void recordCounts(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(12)->Arg(100)->Arg(1430)->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_InstalledScreenShown)->Apply(recordCounts);
BENCHMARK(BM_InstalledRefreshAtAnOperationStarting)->Apply(recordCounts);
BENCHMARK(BM_InstalledRefreshAtARecordAdded)->Apply(recordCounts);
BENCHMARK(BM_InstalledRefreshAtShowAllDetailsSwitchedOn)->Apply(recordCounts);

int main(int argc, char** argv) {
    return marlox::bench::runWidgetBenchmarks(argc, argv);
}
