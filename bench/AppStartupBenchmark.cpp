// Start-up as the user meets it: from starting the process until its main window has painted its
// first frame, for the application with its built-in catalog, with a remote catalog of 10,000
// packages, and with a cached copy of such a catalog from an earlier run and nothing left to
// settle, against a bare process (Qt's application object and a shown main window holding one
// label). Each side is a program of its own, started and timed the same way, the runs
// interleaved. The bound is 1.5 times the bare process plus 150 ms.
#include "BenchmarkSupport.h"
#include "LibraryBenchmarkSupport.h"
#include "catalog/CatalogService.h"
#include "platform/Bundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <ctime>
#include <optional>
#include <vector>

namespace {

using namespace marlox;

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

struct FirstFrame {
    double milliseconds = 0;
    // The threads the process runs when it paints it. Qt's raster engine fills a translucent
    // area of many lines on the threads of Qt's global pool, which it starts for the frame: the
    // application's window has such areas, the bare one has none.
    int threads = 0;
};

// Starts the program and reads the moment of its first frame from what it writes.
std::optional<FirstFrame> firstFrameOf(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const long long started = monotonicNanoseconds();
    process.start(program, arguments);
    if (!process.waitForFinished(30'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return std::nullopt;
    }
    const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 2) {
        return std::nullopt;
    }
    return FirstFrame{double(fields[0].toLongLong() - started) / 1e6, fields[1].toInt()};
}

QByteArray catalogOf10000Packages() {
    return catalog::encodeCatalogManifest(
        {QStringLiteral("bench"), QStringLiteral("now"), bench::generatedLibraryCatalog(10000)});
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

QString remoteCatalogFile() {
    const QString path = QDir::home().filePath(QStringLiteral("remote-catalog.json"));
    if (!QFile::exists(path)) {
        writeFile(path, catalogOf10000Packages());
    }
    return path;
}

enum class Catalog { builtIn, remote, cachedRemote };

void BM_StartupAgainstBareProcess(benchmark::State& state, Catalog source) {
    const QStringList arguments =
        source == Catalog::remote ? QStringList{remoteCatalogFile()} : QStringList{};
    // What the catalog service keeps of the last remote catalog it read; the application starts
    // without a remote address, as one whose server is not configured, and with no install to
    // settle.
    const QString cachedCatalog = catalog::CatalogService::remoteManifestCachePath();
    QFile::remove(cachedCatalog);
    if (source == Catalog::cachedRemote) {
        writeFile(cachedCatalog, catalogOf10000Packages());
    }
    std::vector<double> studioMilliseconds;
    std::vector<double> bareMilliseconds;
    int studioThreads = 0;
    int bareThreads = 0;
    for (auto _ : state) {
        const auto bare = firstFrameOf(QStringLiteral(MARLOX_BARE_STARTUP_PATH), {});
        const auto studio = firstFrameOf(QStringLiteral(MARLOX_STUDIO_STARTUP_PATH), arguments);
        if (!bare || !studio) {
            state.SkipWithError("a process did not paint its first frame");
            return;
        }
        bareMilliseconds.push_back(bare->milliseconds);
        studioMilliseconds.push_back(studio->milliseconds);
        studioThreads = studio->threads;
        bareThreads = bare->threads;
        state.SetIterationTime(studio->milliseconds / 1e3);
    }
    const double studio = bench::median(studioMilliseconds);
    const double bare = bench::median(bareMilliseconds);
    const double bound = 1.5 * bare + 150;
    state.counters["studio_median_ms"] = studio;
    state.counters["bare_median_ms"] = bare;
    state.counters["bound_ms"] = bound;
    state.counters["within_bound"] = studio <= bound ? 1 : 0;
    state.counters["studio_threads_at_first_frame"] = studioThreads;
    state.counters["bare_threads_at_first_frame"] = bareThreads;
    QFile::remove(cachedCatalog);
}
BENCHMARK_CAPTURE(BM_StartupAgainstBareProcess, built_in_catalog, Catalog::builtIn)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);
BENCHMARK_CAPTURE(BM_StartupAgainstBareProcess, remote_catalog_of_10000, Catalog::remote)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);
BENCHMARK_CAPTURE(BM_StartupAgainstBareProcess, cached_catalog_of_10000_nothing_to_settle,
                  Catalog::cachedRemote)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);

} // namespace

int main(int argc, char** argv) {
    // The bundle the application program runs from names its support folder.
    marlox::platform::setUpMainBundle(QStringLiteral(MARLOX_BUNDLE_DIR));
    return marlox::bench::runProcessBenchmarks(argc, argv);
}
