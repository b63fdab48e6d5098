// Quitting while the servers are slow, as a user meets it: the built bundle, configured for a
// remote catalog and an appcast feed on a loopback server, is started, and once its transfers
// are under way it is asked to terminate; the time runs from the request until the process has
// ended. The servers send a byte every five seconds: either the catalog, or the feed and every
// package's thumbnail. Quitting never waits on a server; the bound is 2 seconds.
#include "BenchmarkSupport.h"
#include "support/ConfiguredBundle.h"
#include "support/LoopbackHttpServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

using namespace marlox;
using testing::HttpAnswer;
using testing::LoopbackHttpServer;

const QString builtBundle = QStringLiteral(MARLOX_BUNDLE_DIR);
constexpr double boundMilliseconds = 2000;

// The loopback server with the built-in catalog, its thumbnails moved onto the server, and the
// feed; what drips is the case's.
class SlowServers {
public:
    explicit SlowServers(bool catalogDrips) {
        const HttpAnswer dripping{.body = QByteArray(64, 'x'),
                                  .dripInterval = std::chrono::seconds(5)};
        QFile manifest(builtBundle + QStringLiteral("/Contents/Resources/manifest.json"));
        manifest.open(QIODevice::ReadOnly);
        QJsonObject catalog = QJsonDocument::fromJson(manifest.readAll()).object();
        QJsonArray packages;
        for (const QJsonValue& value : catalog.value(QStringLiteral("packages")).toArray()) {
            QJsonObject package = value.toObject();
            const QString path = QStringLiteral("/thumbnails/%1.png")
                                     .arg(package.value(QStringLiteral("id")).toString());
            m_thumbnailPaths.append(path);
            package.insert(QStringLiteral("thumbnailURL"), m_server.url(path).toString());
            m_server.setAnswer(path, dripping);
            packages.append(package);
        }
        catalog.insert(QStringLiteral("packages"), packages);
        HttpAnswer served{.body = QJsonDocument(catalog).toJson()};
        if (catalogDrips) {
            served.dripInterval = dripping.dripInterval;
        }
        m_server.setAnswer(QStringLiteral("/catalog.json"), served);
        m_server.setAnswer(QStringLiteral("/feed.xml"), dripping);
        m_awaited = catalogDrips ? QStringLiteral("/catalog.json") : QStringLiteral("/feed.xml");
        m_awaitsThumbnails = !catalogDrips;
    }

    QVariantMap settings() const {
        return {
            {QStringLiteral("MarloxRemoteCatalogURL"),
             m_server.url(QStringLiteral("/catalog.json"))},
            {QStringLiteral("MarloxAppcastFeedURL"), m_server.url(QStringLiteral("/feed.xml"))}};
    }

    // Counts what was asked so far, so that the next launch's requests can be told apart.
    void markLaunch() {
        m_awaitedCount = m_server.requestCount(m_awaited);
        m_thumbnailCount = thumbnailRequests();
    }

    // Whether the launch since the mark asked for what drips, within ten seconds.
    bool awaitSlowTransfers() const {
        if (!m_server.waitForRequestCount(m_awaited, m_awaitedCount + 1)) {
            return false;
        }
        const QDeadlineTimer deadline(10'000);
        while (m_awaitsThumbnails && thumbnailRequests() == m_thumbnailCount) {
            if (deadline.hasExpired()) {
                return false;
            }
            QThread::msleep(5);
        }
        return true;
    }

private:
    int thumbnailRequests() const {
        int count = 0;
        for (const QString& path : m_thumbnailPaths) {
            count += m_server.requestCount(path);
        }
        return count;
    }

    LoopbackHttpServer m_server;
    QStringList m_thumbnailPaths;
    QString m_awaited;
    bool m_awaitsThumbnails = false;
    int m_awaitedCount = 0;
    int m_thumbnailCount = 0;
};

// Milliseconds from the terminate request until the process ended cleanly; nothing when it did
// not start its transfers, did not end within a minute or did not end cleanly.
std::optional<double> quitMilliseconds(const QString& executable, SlowServers& servers) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    servers.markLaunch();
    process.start(executable, {});
    if (!process.waitForStarted() || !servers.awaitSlowTransfers()) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    QElapsedTimer timer;
    timer.start();
    process.terminate();
    const bool ended = process.waitForFinished(60'000);
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    if (!ended || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    return elapsed;
}

void BM_QuitWhileServersDrip(benchmark::State& state, bool catalogDrips) {
    SlowServers servers(catalogDrips);
    const QString copy = QDir::home().filePath(catalogDrips ? QStringLiteral("CatalogDrips.app")
                                                            : QStringLiteral("FeedDrips.app"));
    const std::optional<QString> executable =
        testing::configuredBundleCopy(builtBundle, copy, servers.settings());
    if (!executable) {
        state.SkipWithError("the configured bundle could not be made");
        return;
    }
    std::vector<double> milliseconds;
    for (auto _ : state) {
        const std::optional<double> quit = quitMilliseconds(*executable, servers);
        if (!quit) {
            state.SkipWithError("the application did not start its transfers or end cleanly");
            return;
        }
        milliseconds.push_back(*quit);
        state.SetIterationTime(*quit / 1e3);
    }
    const double median = bench::median(milliseconds);
    state.counters["median_ms"] = median;
    state.counters["max_ms"] = *std::max_element(milliseconds.begin(), milliseconds.end());
    state.counters["bound_ms"] = boundMilliseconds;
    state.counters["within_bound"] = median <= boundMilliseconds ? 1 : 0;
}
BENCHMARK_CAPTURE(BM_QuitWhileServersDrip, catalog_drips, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7);
BENCHMARK_CAPTURE(BM_QuitWhileServersDrip, feed_and_thumbnails_drip, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7);

} // namespace

int main(int argc, char** argv) {
    return marlox::bench::runProcessBenchmarks(argc, argv);
}
