// What the Updates and Settings screens work out on every change, over a large catalog with
// half of it installed and a tenth of that behind; and the reading of an appcast feed as large as
// a feed may be.
#include "screens/appupdate/AppcastReader.h"
#include "screens/settings/SettingsContent.h"
#include "screens/updates/PackageUpdates.h"

#include <benchmark/benchmark.h>

using namespace marlox::catalog;
using namespace marlox::screens;

namespace {

struct LargeCatalog {
    QList<PackageManifest> packages;
    InstalledPackageMap installedByID;

    explicit LargeCatalog(int count) {
        for (int index = 0; index < count; ++index) {
            PackageManifest package;
            package.id = QStringLiteral("studio.marlox.package-%1").arg(index);
            package.name = QStringLiteral("Package %1").arg(index, 5, 10, QLatin1Char('0'));
            package.type = index % 7 == 0 ? PackageType::template_ : PackageType::filter;
            package.version = QStringLiteral("2.%1.0").arg(index % 13);
            package.summary = QStringLiteral("A package");
            packages.append(package);
            if (index % 2 == 0) {
                const QString installed =
                    index % 20 == 0 ? QStringLiteral("1.9.9") : package.version;
                installedByID.insert(package.id, {package.id, installed, {}, package.type, {}, {}});
            }
        }
    }
};

void updatesContentOfALargeCatalog(benchmark::State& state) {
    const LargeCatalog catalog(static_cast<int>(state.range(0)));
    const QSet<QString> active = {QStringLiteral("studio.marlox.package-20")};
    for (auto _ : state) {
        benchmark::DoNotOptimize(updatesContent(catalog.packages, catalog.installedByID, active));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(updatesContentOfALargeCatalog)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

void settingsContentOfALargeCatalog(benchmark::State& state) {
    const LargeCatalog catalog(static_cast<int>(state.range(0)));
    SettingsInputs inputs;
    inputs.packages = catalog.packages;
    inputs.installedByID = catalog.installedByID;
    for (auto _ : state) {
        benchmark::DoNotOptimize(settingsContent(inputs));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(settingsContentOfALargeCatalog)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// 8 MiB of feed: items after the announced one (0), or parameter entities, each reference
// declaring a 4,000-character entity again inside the type declaration (1).
void appcastReadOfAnEightMegabyteFeed(benchmark::State& state) {
    constexpr qsizetype size = 8 * 1024 * 1024;
    const bool hostile = state.range(0) == 1;
    QByteArray feed =
        hostile ? R"(<!DOCTYPE rss [<!ENTITY % d "<!ENTITY a ')" + QByteArray(4000, 'a') + R"('>">)"
                : QByteArray("<rss><channel>");
    const QByteArray repeated = hostile ? QByteArray("%d;")
                                        : QByteArray("<item><title>Build</title><sparkle:version>"
                                                     "120</sparkle:version></item>\n");
    feed += repeated.repeated((size - feed.size() - 32) / repeated.size());
    feed += hostile ? "]><rss/>" : "</channel></rss>";
    state.SetLabel(hostile ? "parameter entities" : "items");
    for (auto _ : state) {
        benchmark::DoNotOptimize(AppcastReader::read(feed));
    }
    state.SetBytesProcessed(state.iterations() * feed.size());
}
BENCHMARK(appcastReadOfAnEightMegabyteFeed)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
