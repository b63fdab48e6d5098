// Updating a large installed plug-in tree against `cp -a` of the same tree, side by side in one
// run: the engine stages a copy beside the install folder, clears quarantine, looks for archives,
// swaps the copy in by renames, registers the plug-in and deletes the previous version once it is
// recorded; it should cost little more than the copy itself.
#include "BenchmarkSupport.h"
#include "NoHostApplications.h"
#include "catalog/CatalogManifest.h"
#include "install/InstallEngine.h"
#include "install/InstallJournal.h"
#include "platform/Bundle.h"
#include "platform/SystemTools.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

constexpr int fileCount = 1000;
constexpr qint64 treeBytes = 200LL * 1000 * 1000;

// One plug-in bundle of 1,000 files in 20 folders, 200 MB in all.
void writePluginTree(const QString& root) {
    const QString bundle = root + "/Large.pluginkit/Contents";
    QDir().mkpath(bundle + "/MacOS");
    QFile info(bundle + "/Info.plist");
    info.open(QIODevice::WriteOnly);
    info.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>CFBundleIdentifier</key><string>studio.marlox.bench.large</string>"
               "<key>CFBundleShortVersionString</key><string>1.0</string>"
               "<key>PlugInKit</key><dict><key>Protocol</key><string>FxPlug</string></dict>"
               "</dict></plist>\n");
    info.close();
    QByteArray block(int(treeBytes / (fileCount - 1)), '\0');
    for (qsizetype index = 0; index < block.size(); ++index) {
        block[index] = char((index * 131 + 7) & 0xff);
    }
    for (int file = 0; file < fileCount - 1; ++file) {
        const QString folder =
            bundle + QStringLiteral("/Resources/Set%1").arg(file % 20, 2, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        QFile output(folder +
                     QStringLiteral("/resource-%1.bin").arg(file, 4, 10, QLatin1Char('0')));
        output.open(QIODevice::WriteOnly);
        block[0] = char(file);
        output.write(block);
    }
}

double seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

void BM_UpdateAgainstCopy(benchmark::State& state) {
    QTemporaryDir scratch;
    const QString payloadRoot = scratch.filePath("payload");
    writePluginTree(payloadRoot + "/Large");
    const QString installRoot = scratch.filePath("home/Applications/Marlox Studio Plugins");
    const QString copyTarget = scratch.filePath("copy");
    QDir().mkpath(installRoot);

    marlox::catalog::PackageManifest package;
    package.id = "studio.marlox.bench.large";
    package.name = "Large";
    package.category = "Benchmarks";
    package.version = "1.0";
    package.bundlePayloadPath = "Large";
    const marlox::install::InstallEngine engine(
        marlox::install::HostApplicationGuard(
            std::make_shared<marlox::bench::NoHostApplications>()),
        std::make_shared<marlox::platform::SystemProcessRunner>(),
        marlox::install::InstallTools::systemDefaults());

    // Per run, so that the medians can be compared: other work on the machine makes single runs
    // of a 200 MB copy swing widely.
    std::vector<double> engineSeconds;
    std::vector<double> copySeconds;
    // Each run starts with nothing waiting to be written back, so that neither pays for the
    // other's dirty pages; the two also take turns going first.
    const auto timedCopy = [&]() -> bool {
        ::sync();
        QElapsedTimer timer;
        timer.start();
        const bool copied =
            QProcess::execute("cp", {"-a", payloadRoot + "/Large", copyTarget}) == 0;
        copySeconds.push_back(seconds(timer));
        return copied;
    };
    // The version every timed update replaces is in place and recorded before the first run.
    std::optional<marlox::install::InstallResultOr<marlox::install::InstallResult>> result =
        engine.install(package, installRoot, std::nullopt, std::nullopt, payloadRoot);
    marlox::install::finishInstallJournal(engine.registrar());
    const marlox::catalog::InstalledPackage previous{
        package.id, package.version, {}, package.type, installRoot + "/" + package.id, {}};
    const auto timedUpdate = [&]() -> double {
        ::sync();
        QElapsedTimer timer;
        timer.start();
        result = engine.install(package, installRoot, std::nullopt, previous, payloadRoot);
        // What the coordinator does once the record is saved: the previous version goes.
        marlox::install::finishInstallJournal(engine.registrar());
        const double elapsed = seconds(timer);
        engineSeconds.push_back(elapsed);
        return elapsed;
    };
    bool copyFirst = true;
    for (auto _ : state) {
        bool copied = true;
        if (copyFirst) {
            copied = timedCopy();
        }
        state.SetIterationTime(timedUpdate());
        if (!copyFirst) {
            copied = timedCopy();
        }
        copyFirst = !copyFirst;
        if (!copied || !*result) {
            state.SkipWithError(
                *result ? "cp -a failed"
                        : marlox::install::description(result->error()).toUtf8().constData());
            break;
        }
        QDir(copyTarget).removeRecursively();
    }
    const double engineMedian = marlox::bench::median(engineSeconds);
    const double copyMedian = marlox::bench::median(copySeconds);
    state.counters["engine_median_s"] = engineMedian;
    state.counters["cp_a_median_s"] = copyMedian;
    state.counters["engine_over_cp"] = engineMedian / copyMedian;
    state.SetBytesProcessed(int64_t(state.iterations()) * treeBytes);
}
BENCHMARK(BM_UpdateAgainstCopy)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

} // namespace

int main(int argc, char** argv) {
    // The engine and its tools write into a scratch home, never the real one.
    QTemporaryDir home;
    marlox::bench::useScratchHome(home);
    QCoreApplication application(argc, argv);
    marlox::platform::setUpMainBundle(QStringLiteral(MARLOX_BUNDLE_DIR));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
