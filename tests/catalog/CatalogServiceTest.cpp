#include "catalog/CatalogService.h"

#include "CatalogTestSupport.h"
#include "catalog/OperationsLog.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "support/AwaitFuture.h"
#include "support/LoopbackHttpServer.h"
#include "support/QtPrinters.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace marlox::catalog;
using marlox::platform::Bundle;
using marlox::testing::awaitFuture;
using marlox::testing::HttpAnswer;
using marlox::testing::LoopbackHttpServer;
using marlox::testing::readFile;
using marlox::testing::ScratchHomeTest;
using marlox::testing::writeFile;

namespace {

PackageManifest namedPackage(const QString& id, const QString& name,
                             const QString& version = "1.0") {
    PackageManifest package = marlox::testing::testPackage(id, version);
    package.name = name;
    return package;
}

CatalogManifest catalog(const QString& version, QList<PackageManifest> packages) {
    return CatalogManifest{version, "2026-01-01T00:00:00Z", std::move(packages)};
}

CatalogManifest remoteCatalog() {
    return catalog("remote",
                   {namedPackage("com.marlox.b", "Beta"), namedPackage("com.marlox.a", "Alpha")});
}

CatalogManifest cachedCatalog() {
    return catalog("cached", {namedPackage("com.marlox.c", "Gamma")});
}

QStringList loggedMessages() {
    flushOperationsLog();
    QStringList messages;
    if (!QFileInfo::exists(operationsLogFilePath())) {
        return messages;
    }
    for (const QString& line :
         QString::fromUtf8(readFile(operationsLogFilePath())).split('\n', Qt::SkipEmptyParts)) {
        messages.append(line.section("] ", 1));
    }
    return messages;
}

// How often a signal was emitted since the counter was made.
class SignalCounter {
public:
    template <typename Signal> SignalCounter(const CatalogService* sender, Signal signal) {
        QObject::connect(sender, signal, &m_context, [this] { ++m_count; });
    }
    int count() const { return m_count; }

private:
    QObject m_context;
    int m_count = 0;
};

int builtInPackageCount() {
    const auto builtIn = loadEmbeddedManifest();
    EXPECT_TRUE(builtIn);
    return builtIn ? static_cast<int>(builtIn->packages.size()) : -1;
}

class CatalogServiceTest : public ScratchHomeTest {
protected:
    // A service whose remote catalog, when given, is that path on the test server.
    std::unique_ptr<CatalogService> makeService(std::optional<QUrl> remoteURL) {
        DistributionConfiguration configuration;
        configuration.remoteCatalogURL = std::move(remoteURL);
        auto http = std::make_shared<marlox::platform::NetworkHttpClient>();
        auto artifacts = std::make_unique<RemoteArtifactService>(
            http, std::make_shared<marlox::platform::SystemProcessRunner>(), "/nonexistent/ditto");
        remoteArtifacts = artifacts.get();
        return std::make_unique<CatalogService>(configuration, http, std::move(artifacts));
    }

    void reload(CatalogService& service) {
        ASSERT_TRUE(awaitFuture(service.reload()));
        remoteArtifacts->waitForIdle();
    }

    void serveCatalog(const QByteArray& body, int status = 200) {
        server.setAnswer("/catalog.json", HttpAnswer{status, body, {}, {}});
    }

    void writeCachedCopy(const QByteArray& bytes) {
        writeFile(CatalogService::remoteManifestCachePath(), bytes);
    }

    LoopbackHttpServer server;
    RemoteArtifactService* remoteArtifacts = nullptr;
};

TEST_F(CatalogServiceTest, StartsWithNothingLoadedFromTheBundleLabel) {
    const auto service = makeService(std::nullopt);

    EXPECT_EQ(service->loadSourceLabel(), "Bundle");
    EXPECT_FALSE(service->manifest());
    EXPECT_TRUE(service->packages().isEmpty());
    EXPECT_FALSE(service->lastErrorMessage());
    EXPECT_FALSE(service->isLoading());
}

TEST_F(CatalogServiceTest, WithoutRemoteURLTheBuiltInCatalogIsUsedAndNoCacheIsWritten) {
    // GIVEN no remote catalog
    const auto service = makeService(std::nullopt);
    SignalCounter loading(service.get(), &CatalogService::isLoadingChanged);

    // WHEN it reloads
    reload(*service);

    // THEN the built-in catalog is published, sorted, and nothing is cached
    EXPECT_EQ(service->loadSourceLabel(), "Embedded");
    ASSERT_TRUE(service->manifest());
    EXPECT_EQ(service->packages(), packagesSortedByName(service->manifest()->packages));
    EXPECT_FALSE(service->lastErrorMessage());
    EXPECT_FALSE(service->isLoading());
    EXPECT_EQ(loading.count(), 2);
    EXPECT_FALSE(QFileInfo::exists(CatalogService::remoteManifestCachePath()));
    EXPECT_EQ(
        loggedMessages(),
        QStringList({QString("Catalog reload succeeded from embedded resources: packageCount=%1")
                         .arg(builtInPackageCount())}));
}

TEST_F(CatalogServiceTest, RemoteCatalogIsPublishedAndCached) {
    // GIVEN a server with a catalog
    const QByteArray served = encodeCatalogManifest(remoteCatalog());
    serveCatalog(served);
    const auto service = makeService(server.url("/catalog.json"));

    // WHEN it reloads
    reload(*service);

    // THEN the remote catalog is published and becomes the cached copy
    EXPECT_EQ(service->loadSourceLabel(), "Remote");
    ASSERT_TRUE(service->manifest());
    EXPECT_EQ(*service->manifest(), remoteCatalog());
    ASSERT_EQ(service->packages().size(), 2);
    EXPECT_EQ(service->packages()[0].name, "Alpha");
    const auto cached = decodeCatalogManifest(readFile(CatalogService::remoteManifestCachePath()));
    ASSERT_TRUE(cached);
    EXPECT_EQ(*cached, remoteCatalog());
    EXPECT_EQ(loggedMessages(),
              QStringList({"Catalog reload succeeded from remote resources: packageCount=2"}));
}

TEST_F(CatalogServiceTest, FailedFetchFallsBackToTheCachedCopyThenToTheBuiltInOne) {
    struct Case {
        const char* name;
        std::optional<QByteArray> cachedCopy;
        QString label;
    };
    const QList<Case> cases = {
        {"good cached copy", encodeCatalogManifest(cachedCatalog()), "Cached Remote"},
        {"no cached copy", std::nullopt, "Embedded"},
        {"unreadable cached copy", QByteArray("{not json"), "Embedded"},
        {"cached copy with an unsupported type",
         QByteArray(R"({"catalogVersion":"1","generatedAt":"x","packages":[{"id":"a","name":"A",)"
                    R"("type":"plugin","category":"c","version":"1"}]})"),
         "Embedded"},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        // GIVEN a server answering 404 and the cached copy of the case
        QFile::remove(CatalogService::remoteManifestCachePath());
        clearOperationsLog();
        if (testCase.cachedCopy) {
            writeCachedCopy(*testCase.cachedCopy);
        }
        serveCatalog("missing", 404);
        const auto service = makeService(server.url("/catalog.json"));

        // WHEN it reloads
        reload(*service);

        // THEN the fetch failure alone is logged before the fallback's success
        EXPECT_EQ(service->loadSourceLabel(), testCase.label);
        EXPECT_FALSE(service->lastErrorMessage());
        const QStringList messages = loggedMessages();
        ASSERT_EQ(messages.size(), 2);
        EXPECT_EQ(messages[0],
                  "Remote catalog fetch failed: Remote catalog request failed with HTTP 404.");
        EXPECT_TRUE(messages[1].startsWith("Catalog reload succeeded from " +
                                           testCase.label.toLower() + " resources: packageCount="));
        if (testCase.cachedCopy) {
            EXPECT_EQ(readFile(CatalogService::remoteManifestCachePath()), *testCase.cachedCopy);
        }
    }
}

TEST_F(CatalogServiceTest, OnlyTwoHundredStatusesCount) {
    const QList<std::pair<int, QString>> cases = {{200, "Remote"},
                                                  {299, "Remote"},
                                                  {300, "Cached Remote"},
                                                  {404, "Cached Remote"},
                                                  {500, "Cached Remote"}};
    for (const auto& [status, label] : cases) {
        SCOPED_TRACE(status);
        writeCachedCopy(encodeCatalogManifest(cachedCatalog()));
        serveCatalog(encodeCatalogManifest(remoteCatalog()), status);
        const auto service = makeService(server.url("/catalog.json"));

        reload(*service);

        EXPECT_EQ(service->loadSourceLabel(), label);
    }
}

TEST_F(CatalogServiceTest, MalformedRemoteCatalogNeverReplacesAGoodCachedCopy) {
    // GIVEN a good cached copy and a server answering with a malformed catalog
    const QByteArray good = encodeCatalogManifest(cachedCatalog());
    writeCachedCopy(good);
    serveCatalog(R"({"catalogVersion":"2","packages":[)");
    const auto service = makeService(server.url("/catalog.json"));

    // WHEN it reloads
    reload(*service);

    // THEN the cached copy is used and left as it was
    EXPECT_EQ(service->loadSourceLabel(), "Cached Remote");
    EXPECT_EQ(*service->manifest(), cachedCatalog());
    EXPECT_EQ(readFile(CatalogService::remoteManifestCachePath()), good);
    EXPECT_TRUE(loggedMessages().value(0).startsWith("Remote catalog fetch failed: "));
}

TEST_F(CatalogServiceTest, FileRemoteURLIsReadFromDiskAndRefreshesTheCache) {
    const QString path = home.filePath("catalogs/remote.json");
    writeFile(path, encodeCatalogManifest(remoteCatalog()));
    writeCachedCopy(encodeCatalogManifest(cachedCatalog()));
    const auto service = makeService(QUrl::fromLocalFile(path));

    reload(*service);

    EXPECT_EQ(service->loadSourceLabel(), "Remote");
    EXPECT_EQ(*decodeCatalogManifest(readFile(CatalogService::remoteManifestCachePath())),
              remoteCatalog());
}

TEST_F(CatalogServiceTest, BrokenBuiltInCatalogFailsTheReload) {
    struct Case {
        const char* name;
        std::function<void(const QString& bundle)> prepare;
        QString description;
    };
    const QList<Case> cases = {
        {"malformed first candidate before a good later one",
         [](const QString& bundle) {
             writeFile(bundle + "/Contents/Resources/manifest.json", "{malformed");
             writeFile(bundle +
                           "/Contents/Resources/MarloxStudio_MarloxStudioApp.bundle/manifest.json",
                       encodeCatalogManifest(cachedCatalog()));
         },
         {}},
        {"no candidate at all", [](const QString&) {},
         "manifest.json not found in bundle resources"},
    };
    int index = 0;
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        // GIVEN a main bundle holding the case's built-in catalogs, after a good reload
        const QString bundle = home.filePath(QString("Bundle%1.app").arg(++index));
        QDir().mkpath(bundle + "/Contents/Resources");
        testCase.prepare(bundle);
        const auto service = makeService(std::nullopt);
        reload(*service);
        ASSERT_EQ(service->loadSourceLabel(), "Embedded");
        Bundle::setMainBundlePath(bundle);
        clearOperationsLog();

        // WHEN it reloads
        reload(*service);
        Bundle::setMainBundlePath(marlox::testing::builtBundlePath());

        // THEN the reload fails and the earlier catalog is gone
        EXPECT_EQ(service->loadSourceLabel(), "-");
        EXPECT_FALSE(service->manifest());
        EXPECT_TRUE(service->packages().isEmpty());
        ASSERT_TRUE(service->lastErrorMessage());
        const QString description =
            service->lastErrorMessage()->mid(QString("Failed to load catalog: ").size());
        EXPECT_TRUE(service->lastErrorMessage()->startsWith("Failed to load catalog: "));
        if (!testCase.description.isEmpty()) {
            EXPECT_EQ(description, testCase.description);
        }
        EXPECT_EQ(loggedMessages(), QStringList({"Catalog reload failed: error=" + description}));
    }
}

TEST_F(CatalogServiceTest, SortsByNameIgnoringCaseAndKeepsCatalogOrderForEqualNames) {
    const QList<std::pair<QStringList, QStringList>> cases = {
        {{"beta", "Alpha", "alpha"}, {"Alpha", "alpha", "beta"}},
        {{"beta", "alpha", "Alpha"}, {"alpha", "Alpha", "beta"}},
        {{"Zeta", "eta", "Beta"}, {"Beta", "eta", "Zeta"}},
    };
    for (const auto& [names, expected] : cases) {
        QList<PackageManifest> packages;
        for (const QString& name : names) {
            packages.append(namedPackage("id." + name, name));
        }
        QStringList sorted;
        for (const PackageManifest& package : packagesSortedByName(packages)) {
            sorted.append(package.name);
        }
        EXPECT_EQ(sorted, expected);
    }
}

TEST_F(CatalogServiceTest, OverlappingReloadsPublishOnlyTheNewestAndStayLoadingUntilTheLast) {
    // GIVEN a first reload whose answer is slow
    const auto service = makeService(server.url("/catalog.json"));
    server.setAnswer("/catalog.json", HttpAnswer{200,
                                                 encodeCatalogManifest(cachedCatalog()),
                                                 {},
                                                 std::chrono::milliseconds(800)});
    const QFuture<void> first = service->reload();
    ASSERT_TRUE(server.waitForRequestCount("/catalog.json", 1));

    // WHEN a second reload starts and gets its answer first
    serveCatalog(encodeCatalogManifest(remoteCatalog()));
    const QFuture<void> second = service->reload();
    ASSERT_TRUE(awaitFuture(second));

    // THEN the newest outcome is published while the service still loads
    EXPECT_EQ(*service->manifest(), remoteCatalog());
    EXPECT_TRUE(service->isLoading());
    EXPECT_FALSE(first.isFinished());

    // AND the older reload, finishing last, changes nothing but the loading flag
    SignalCounter manifestChanges(service.get(), &CatalogService::manifestChanged);
    ASSERT_TRUE(awaitFuture(first));
    EXPECT_EQ(*service->manifest(), remoteCatalog());
    EXPECT_EQ(manifestChanges.count(), 0);
    EXPECT_FALSE(service->isLoading());
}

TEST_F(CatalogServiceTest, SuccessfulReloadPrunesTheArtifactCacheAgainstTheCatalog) {
    // GIVEN cached artifacts of a dropped package and of an old version of a listed one
    const QString root = remoteArtifactsDirectory();
    writeFile(root + "/com.marlox.dropped/1.0/payload.zip", "x");
    writeFile(root + "/com.marlox.a/0.9/payload.zip", "x");
    writeFile(root + "/com.marlox.a/1.0/payload.zip", "x");
    serveCatalog(encodeCatalogManifest(remoteCatalog()));
    const auto service = makeService(server.url("/catalog.json"));

    // WHEN it reloads
    reload(*service);

    // THEN only the catalog's versions are left
    EXPECT_FALSE(QFileInfo::exists(root + "/com.marlox.dropped"));
    EXPECT_FALSE(QFileInfo::exists(root + "/com.marlox.a/0.9"));
    EXPECT_TRUE(QFileInfo::exists(root + "/com.marlox.a/1.0"));
}

TEST_F(CatalogServiceTest, PruningFollowsCatalogOrderNotNameOrder) {
    // GIVEN a catalog listing one id twice, the later entry sorting first by name
    const QString root = remoteArtifactsDirectory();
    writeFile(root + "/com.marlox.twice/1.0/payload.zip", "x");
    writeFile(root + "/com.marlox.twice/2.0/payload.zip", "x");
    serveCatalog(
        encodeCatalogManifest(catalog("1", {namedPackage("com.marlox.twice", "Zulu", "1.0"),
                                            namedPackage("com.marlox.twice", "Alpha", "2.0")})));
    const auto service = makeService(server.url("/catalog.json"));

    // WHEN it reloads
    reload(*service);

    // THEN the version of the later catalog entry is the one kept
    EXPECT_FALSE(QFileInfo::exists(root + "/com.marlox.twice/1.0"));
    EXPECT_TRUE(QFileInfo::exists(root + "/com.marlox.twice/2.0"));
}

} // namespace
