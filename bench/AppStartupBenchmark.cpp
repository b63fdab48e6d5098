// Start-up as the user meets it: from starting the process until its main window has painted its
// first frame, for the application with its built-in catalog and with a remote catalog of 10,000
// packages, against a bare process (Qt's application object and a shown main window holding one
// label). Each side is a program of its own, started and timed the same way, the runs
// interleaved. The bound is 1.5 times the bare process plus 150 ms.
#include "BenchmarkSupport.h"
#include "LibraryBenchmarkSupport.h"

#include <QDir>
#include <QFile>
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
    // The threads the process runs when it paints it.
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

QString remoteCatalogFile() {
    const QString path = QDir::home().filePath(QStringLiteral("remote-catalog.json"));
    if (!QFile::exists(path)) {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(catalog::encodeCatalogManifest({QStringLiteral("bench"), QStringLiteral("now"),
                                                   bench::generatedLibraryCatalog(10000)}));
    }
    return path;
}

void BM_StartupAgainstBareProcess(benchmark::State& state, bool remoteCatalog) {
    const QStringList arguments = remoteCatalog ? QStringList{remoteCatalogFile()} : QStringList{};
    std::vector<double> studioMilliseconds;
    std::vector<double> bareMilliseconds;
    int studioThreads = 0;
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
}
BENCHMARK_CAPTURE(BM_StartupAgainstBareProcess, built_in_catalog, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);
BENCHMARK_CAPTURE(BM_StartupAgainstBareProcess, remote_catalog_of_10000, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);

} // namespace

int main(int argc, char** argv) {
    return marlox::bench::runProcessBenchmarks(argc, argv);
}
