#include "catalog/CatalogService.h"

#include "CatalogTestSupport.h"
#include "support/AwaitFuture.h"
#include "support/CatalogFixtures.h"
#include "support/LoopbackHttpServer.h"

using namespace marlox::catalog;
using namespace marlox::platform;
using namespace marlox::testing;

namespace {

// Lists one id twice, the later entry sorting first by name.
const CatalogManifest remoteCatalog{
    "remote", "now", {namedPackage("twice", "Zulu", "1.0"), namedPackage("twice", "Alpha", "2.0")}};
const CatalogManifest cachedCatalog{"cached", "now", {namedPackage("com.marlox.c", "Gamma")}};

// A good catalog padded with blanks to one byte over the limit: it would decode but for its size.
QByteArray oversizedCatalog(const CatalogManifest& catalog) {
    QByteArray bytes = encodeCatalogManifest(catalog);
    return bytes + QByteArray(maximumCatalogBytes + 1 - bytes.size(), ' ');
}

class CatalogServiceTest : public ScratchHomeTest {
protected:
    // A service whose remote catalog, when given, is at that URL, with the built-in catalog of
    // the bundle, by default the built one.
    std::unique_ptr<CatalogService> makeService(std::optional<QUrl> remoteURL,
                                                const Bundle& bundle = mainBundle()) {
        DistributionConfiguration configuration;
        configuration.remoteCatalogURL = std::move(remoteURL);
        auto http = std::make_shared<NetworkHttpClient>();
        auto artifacts = std::make_unique<RemoteArtifactService>(
            http, std::make_shared<SystemProcessRunner>(), "/nonexistent/ditto");
        remoteArtifacts = artifacts.get();
        return std::make_unique<CatalogService>(configuration, bundle, http, std::move(artifacts));
    }

    void reload(CatalogService& service) {
        ASSERT_TRUE(awaitFuture(service.reload()));
        remoteArtifacts->waitForIdle();
        ASSERT_TRUE(awaitFuture(service.cacheWritesFinished()));
    }

    LoopbackHttpServer server;
    RemoteArtifactService* remoteArtifacts = nullptr;
};

TEST_F(CatalogServiceTest, ReloadPublishesTheFirstGoodOfTheRemoteTheCachedAndTheBuiltInCatalog) {
    // Served with indentation, so that the cached copy shows the compact rewrite.
    const QByteArray remote = QJsonDocument::fromJson(encodeCatalogManifest(remoteCatalog))
                                  .toJson(QJsonDocument::Indented);
    const QByteArray cached = encodeCatalogManifest(cachedCatalog);
    // The remote answer's status (-1: no remote URL; 0: the URL is a file holding the body) and
    // body, the cached copy, and the source that is published.
    using Case = std::tuple<const char*, int, QByteArray, std::optional<QByteArray>, QString>;
    const Case cases[] = {
        {"no remote URL", -1, remote, std::nullopt, "Embedded"},
        {"remote answers", 200, remote, std::nullopt, "Remote"},
        {"file URL", 0, remote, cached, "Remote"},
        {"redirect status", 300, remote, cached, "Cached Remote"},
        {"404 with a cached copy", 404, "missing", cached, "Cached Remote"},
        // Qt reports 400 as an error of its own; the status still decides.
        {"400 with a cached copy", 400, "bad", cached, "Cached Remote"},
        {"malformed remote catalog", 200, R"({"catalogVersion":"2","packages":[)", cached,
         "Cached Remote"},
        {"404 without a cached copy", 404, "missing", std::nullopt, "Embedded"},
        {"404 with an unreadable cached copy", 404, "missing", "{not json", "Embedded"},
        {"404 with a cached copy over 32 MiB", 404, "missing", oversizedCatalog(cachedCatalog),
         "Embedded"},
    };
    const QString cachePath = CatalogService::remoteManifestCachePath();
    for (const auto& [name, status, body, cachedCopy, label] : cases) {
        SCOPED_TRACE(name);
        // GIVEN the case's answer and cached copy, artifacts of a dropped package and of both
        // versions of the remote one, and a service that has loaded nothing yet
        setContents(cachePath, cachedCopy);
        for (const char* file : {"/dropped/1.0/x", "/twice/1.0/x", "/twice/2.0/x"}) {
            writeFile(remoteArtifactsDirectory() + file, "x");
        }
        clearOperationsLog();
        const QString file = home.filePath("catalogs/remote.json");
        writeFile(file, body);
        server.setAnswer("/catalog.json", HttpAnswer{status, body, {}, {}});
        const auto service = makeService(status < 0    ? std::nullopt
                                         : status == 0 ? std::optional(QUrl::fromLocalFile(file))
                                                       : server.url("/catalog.json"));
        EXPECT_EQ(service->loadSourceLabel(), "Bundle");
        EXPECT_FALSE(service->manifest() || service->isLoading());
        QSignalSpy loading(service.get(), &CatalogService::isLoadingChanged);
        std::optional<QByteArray> cachedWhenPublished;
        QObject::connect(service.get(), &CatalogService::packagesChanged,
                         [&] { cachedWhenPublished = contentsOf(cachePath); });

        // WHEN it reloads
        reload(*service);

        // THEN the first source that holds a good catalog is published sorted, a remote one
        // replaces the cached copy once it is published, a failed fetch is logged before the
        // success, and the artifacts are pruned to what the published catalog lists, its later
        // entry winning
        const auto published = label == "Remote"          ? remoteCatalog
                               : label == "Cached Remote" ? cachedCatalog
                                                          : *loadEmbeddedManifest();
        EXPECT_EQ(service->loadSourceLabel(), label);
        EXPECT_EQ(service->manifest(), published);
        EXPECT_EQ(service->packages(), packagesSortedByName(published.packages));
        EXPECT_EQ(service->lastErrorMessage(), std::nullopt);
        EXPECT_FALSE(service->isLoading());
        EXPECT_EQ(loading.size(), 2);
        QStringList expectedLog = {QString("Catalog reload succeeded from %1 resources: "
                                           "packageCount=%2")
                                       .arg(label.toLower())
                                       .arg(published.packages.size())};
        const QStringList messages = loggedMessages();
        EXPECT_EQ(cachedWhenPublished, cachedCopy);
        EXPECT_EQ(contentsOf(cachePath),
                  label == "Remote" ? encodeCatalogManifest(remoteCatalog) : cachedCopy);
        EXPECT_EQ(treeOf(remoteArtifactsDirectory()),
                  label == "Remote" ? QStringList({"twice", "twice/2.0", "twice/2.0/x"})
                                    : QStringList());
        if (label != "Remote" && status >= 0) {
            ASSERT_FALSE(messages.isEmpty());
            EXPECT_TRUE(messages[0].startsWith("Remote catalog fetch failed: "));
            expectedLog.prepend(status == 200 ? messages[0]
                                              : QString("Remote catalog fetch failed: Remote "
                                                        "catalog request failed with HTTP %1.")
                                                    .arg(status));
        }
        EXPECT_EQ(messages, expectedLog);
    }
}

TEST_F(CatalogServiceTest, ACachedCopyThatCannotBeWrittenIsLoggedAndTheRemoteCatalogStillServes) {
    // GIVEN a folder, with a file in it, where the cached copy goes
    writeFile(CatalogService::remoteManifestCachePath() + "/in-the-way", "x");
    server.setAnswer("/catalog.json", {200, encodeCatalogManifest(remoteCatalog), {}, {}});
    const auto service = makeService(server.url("/catalog.json"));

    // WHEN the remote catalog is loaded
    reload(*service);

    // THEN it is published, and the write that failed has its line after the reload's
    EXPECT_EQ(service->loadSourceLabel(), "Remote");
    const QStringList messages = loggedMessages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].startsWith("Catalog cache write failed: The file “" +
                                       CatalogService::remoteManifestCachePath() +
                                       "” could not be written: "))
        << messages[1].toStdString();
}

TEST_F(CatalogServiceTest, ACatalogGrownPast32MiBIsRefusedWithItsErrorAndTheEarlierOneStays) {
    const QString file = home.filePath("catalogs/remote.json");
    for (const bool served : {true, false}) {
        SCOPED_TRACE(served ? "served" : "file URL");
        // GIVEN a service that has loaded the remote catalog
        const auto offer = [&](const QByteArray& body) {
            server.setAnswer("/catalog.json", HttpAnswer{200, body, {}, {}});
            writeFile(file, body);
        };
        offer(encodeCatalogManifest(remoteCatalog));
        const auto service =
            makeService(served ? server.url("/catalog.json") : QUrl::fromLocalFile(file));
        reload(*service);
        ASSERT_EQ(service->loadSourceLabel(), "Remote");
        clearOperationsLog();

        // WHEN the remote catalog has grown one byte past the limit and the service reloads
        offer(oversizedCatalog(remoteCatalog));
        reload(*service);

        // THEN it is refused with its reason, and the earlier catalog shows from the cached copy
        EXPECT_EQ(service->loadSourceLabel(), "Cached Remote");
        EXPECT_EQ(service->manifest(), remoteCatalog);
        ASSERT_FALSE(loggedMessages().isEmpty());
        EXPECT_EQ(loggedMessages()[0],
                  "Remote catalog fetch failed: The catalog is larger than 32 MiB.");
    }
}

TEST_F(CatalogServiceTest, BrokenBuiltInCatalogFailsTheReloadAndDropsTheEarlierCatalog) {
    // GIVEN a bundle whose built-in catalog loaded, then went missing
    const QString resources = home.filePath("Bundle.app/Contents/Resources");
    writeFile(resources + "/manifest.json", encodeCatalogManifest(remoteCatalog));
    const auto service = makeService(std::nullopt, *Bundle::load(home.filePath("Bundle.app")));
    reload(*service);
    ASSERT_EQ(service->loadSourceLabel(), "Embedded");
    QFile::remove(resources + "/manifest.json");
    clearOperationsLog();

    // WHEN it reloads
    reload(*service);

    // THEN the reload fails and the earlier catalog is gone
    const QString error = "manifest.json not found in bundle resources";
    EXPECT_EQ(service->loadSourceLabel(), "-");
    EXPECT_FALSE(service->manifest());
    EXPECT_TRUE(service->packages().isEmpty());
    EXPECT_EQ(service->lastErrorMessage(), "Failed to load catalog: " + error);
    EXPECT_EQ(loggedMessages(), QStringList({"Catalog reload failed: error=" + error}));
}

TEST_F(CatalogServiceTest, SortsByNameIgnoringCaseAndKeepsCatalogOrderForEqualNames) {
    // Each case reads "names in catalog order > names sorted".
    for (const QString text :
         {"beta Alpha alpha > Alpha alpha beta", "beta alpha Alpha > alpha Alpha beta",
          "Zeta eta Beta > Beta eta Zeta"}) {
        QList<PackageManifest> packages;
        for (const QString& name : text.section(" > ", 0, 0).split(' ')) {
            packages.append(namedPackage("id." + name, name));
        }
        QStringList sorted;
        for (const PackageManifest& package : packagesSortedByName(packages)) {
            sorted.append(package.name);
        }
        EXPECT_EQ(sorted.join(' '), text.section(" > ", 1)) << text.toStdString();
    }
}

TEST_F(CatalogServiceTest, OverlappingReloadsPublishOnlyTheNewestAndStayLoadingUntilTheLast) {
    // GIVEN a first reload whose answer is held back
    const auto service = makeService(server.url("/catalog.json"));
    server.setAnswer("/catalog.json",
                     {200, encodeCatalogManifest(cachedCatalog), {}, {}, /*held=*/true});
    const QFuture<void> first = service->reload();
    ASSERT_TRUE(server.waitForRequestCount("/catalog.json", 1));

    // WHEN a second reload starts and gets its answer first
    server.setAnswer("/catalog.json", {200, encodeCatalogManifest(remoteCatalog), {}, {}});
    ASSERT_TRUE(awaitFuture(service->reload()));

    // THEN the newest outcome is published while the service still loads
    EXPECT_EQ(service->manifest(), remoteCatalog);
    EXPECT_TRUE(service->isLoading());
    EXPECT_FALSE(first.isFinished());

    // AND the older reload, finishing last, changes nothing but the loading flag
    QSignalSpy manifestChanges(service.get(), &CatalogService::manifestChanged);
    server.releaseHeldAnswers();
    ASSERT_TRUE(awaitFuture(first));
    EXPECT_EQ(service->manifest(), remoteCatalog);
    EXPECT_EQ(manifestChanges.size(), 0);
    EXPECT_FALSE(service->isLoading());
}

} // namespace
