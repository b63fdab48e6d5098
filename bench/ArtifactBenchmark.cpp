// The remote artifact cache against the tools people reach for: SHA-256 of a 256 MB archive
// against `openssl dgst -sha256`, expansion of a 2,000-file zip by our ditto against
// `bsdtar -xf`, each timed side by side in the same run; and the memory a 512 MB download costs,
// which must stay far below its size because it streams to disk.
#include "base/Sha256.h"
#include "catalog/RemoteArtifactService.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "support/LoopbackHttpServer.h"
#include "support/ZipWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

namespace {

using marlox::platform::SystemProcessRunner;

constexpr qint64 megabyte = 1024 * 1024;

// Everything the benchmarks write lives here and goes away with the process.
QTemporaryDir& scratch() {
    static QTemporaryDir folder(QDir::tempPath() + "/marlox-bench-XXXXXX");
    return folder;
}

QByteArray randomBytes(qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(20261206);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// A file of `size` bytes written a megabyte at a time.
QString largeFile(const QString& name, qint64 size) {
    const QString path = scratch().filePath(name);
    if (QFile::exists(path)) {
        return path;
    }
    const QByteArray chunk = randomBytes(megabyte);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    for (qint64 written = 0; written < size; written += chunk.size()) {
        file.write(chunk.constData(), std::min<qint64>(chunk.size(), size - written));
    }
    return path;
}

double secondsOf(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void BM_Sha256AgainstOpenssl(benchmark::State& state) {
    const qint64 size = 256 * megabyte;
    const QString path = largeFile("digest.bin", size);
    marlox::base::sha256OfFile(path); // brings the file into the page cache for both
    SystemProcessRunner runner;
    double ours = 0;
    double openssl = 0;
    for (auto _ : state) {
        ours += secondsOf([&] { benchmark::DoNotOptimize(marlox::base::sha256OfFile(path)); });
        openssl += secondsOf([&] {
            const auto result = runner.run("openssl", {"dgst", "-sha256", path});
            if (!result.succeeded()) {
                state.SkipWithError("openssl dgst failed");
            }
        });
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["ours_MBps"] = size / megabyte * iterations / ours;
    state.counters["openssl_MBps"] = size / megabyte * iterations / openssl;
    state.counters["ours_share_of_openssl"] = openssl / ours;
    if (openssl / ours < 0.8) {
        state.SkipWithError("SHA-256 below 80 % of openssl dgst");
    }
}

QString twoThousandFileZip() {
    const QString path = scratch().filePath("two-thousand.zip");
    if (QFile::exists(path)) {
        return path;
    }
    marlox::testing::ZipWriter zip(path);
    QRandomGenerator generator(7);
    for (int folder = 0; folder < 40; ++folder) {
        zip.addDirectory(QString("Payload/Folder%1/").arg(folder));
        for (int file = 0; file < 50; ++file) {
            // Text-like contents of a few kilobytes that compress the way plug-in files do.
            QByteArray contents;
            const int lines = 20 + static_cast<int>(generator.bounded(200));
            for (int line = 0; line < lines; ++line) {
                contents += "key" + QByteArray::number(generator.bounded(1000)) + " = value " +
                            QByteArray::number(line) + "\n";
            }
            zip.addFile(QString("Payload/Folder%1/File%2.txt").arg(folder).arg(file), contents);
        }
    }
    zip.close();
    return path;
}

void BM_ExpandZipAgainstBsdtar(benchmark::State& state) {
    const QString archive = twoThousandFileZip();
    SystemProcessRunner runner;
    double ours = 0;
    double bsdtar = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString oursFolder = scratch().filePath(QString("ditto-%1").arg(round));
        const QString bsdtarFolder = scratch().filePath(QString("bsdtar-%1").arg(round++));
        QDir().mkpath(oursFolder);
        QDir().mkpath(bsdtarFolder);
        state.ResumeTiming();
        ours += secondsOf([&] {
            if (!runner.run(MARLOX_DITTO_PATH, {"-x", "-k", archive, oursFolder}).succeeded()) {
                state.SkipWithError("ditto failed");
            }
        });
        bsdtar += secondsOf([&] {
            if (!runner.run("bsdtar", {"-xf", archive, "-C", bsdtarFolder}).succeeded()) {
                state.SkipWithError("bsdtar failed");
            }
        });
        state.PauseTiming();
        QDir(oursFolder).removeRecursively();
        QDir(bsdtarFolder).removeRecursively();
        state.ResumeTiming();
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["ditto_ms"] = ours * 1000 / iterations;
    state.counters["bsdtar_ms"] = bsdtar * 1000 / iterations;
    state.counters["ditto_over_bsdtar"] = ours / bsdtar;
    if (ours / bsdtar > 1.3) {
        state.SkipWithError("ditto slower than 1.3 times bsdtar");
    }
}

qint64 statusKilobytes(const char* field) {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

// Lets the peak resident size start again from the current one.
bool resetPeakMemory() {
    QFile clearReferences("/proc/self/clear_refs");
    return clearReferences.open(QIODevice::WriteOnly) && clearReferences.write("5") == 1;
}

void BM_StreamedDownloadPeakMemory(benchmark::State& state) {
    // A 512 MB stored archive, so that its download is 512 MB on the wire.
    const QString archive = scratch().filePath("large.zip");
    {
        marlox::testing::ZipWriter zip(archive, marlox::testing::ZipWriter::Compression::store);
        const qint64 size = 512 * megabyte;
        const QByteArray chunk = randomBytes(megabyte);
        zip.beginFile("Large.moef/payload.bin", size);
        for (qint64 written = 0; written < size; written += chunk.size()) {
            zip.writeData(chunk);
        }
        zip.close();
    }
    const QString digest = marlox::base::sha256HexString(*marlox::base::sha256OfFile(archive));
    marlox::testing::LoopbackHttpServer server;
    server.setAnswer("/large.zip", marlox::testing::HttpAnswer{200, {}, archive, {}});

    int round = 0;
    double largestGrowthMegabytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        marlox::catalog::PackageManifest package;
        package.id = "com.marlox.large";
        package.name = "Large";
        package.version = QString("1.%1").arg(round++);
        package.downloadURL = server.url("/large.zip").toString();
        package.sha256 = digest;
        marlox::catalog::RemoteArtifactService service(
            std::make_shared<marlox::platform::NetworkHttpClient>(),
            std::make_shared<SystemProcessRunner>(), MARLOX_DITTO_PATH);
        if (!resetPeakMemory()) {
            state.SkipWithError("the peak memory cannot be reset");
            break;
        }
        const qint64 residentBefore = statusKilobytes("VmRSS:");
        state.ResumeTiming();

        auto resolution = service.resolvePayload(package);
        resolution.waitForFinished();

        state.PauseTiming();
        const double growthMegabytes = (statusKilobytes("VmHWM:") - residentBefore) / 1024.0;
        largestGrowthMegabytes = std::max(largestGrowthMegabytes, growthMegabytes);
        if (!resolution.result()) {
            static std::string failure;
            failure = resolution.result().error().description().toStdString();
            state.SkipWithError(failure.c_str());
        } else if (growthMegabytes >= 64) {
            state.SkipWithError("the download grew peak memory by 64 MB or more");
        }
        state.ResumeTiming();
    }
    state.counters["peak_growth_MB"] = largestGrowthMegabytes;
    state.SetBytesProcessed(state.iterations() * QFileInfo(archive).size());
}

} // namespace

BENCHMARK(BM_Sha256AgainstOpenssl)->Unit(benchmark::kMillisecond)->Iterations(8)->UseRealTime();
BENCHMARK(BM_ExpandZipAgainstBsdtar)->Unit(benchmark::kMillisecond)->Iterations(15)->UseRealTime();
BENCHMARK(BM_StreamedDownloadPeakMemory)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

int main(int argc, char** argv) {
    // The cache lives under a scratch home, never the real one.
    const QString home = scratch().filePath("home");
    QDir().mkpath(home);
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + "/.local/share"));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home + "/.cache"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + "/.config"));
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
