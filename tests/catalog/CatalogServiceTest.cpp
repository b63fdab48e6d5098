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
using marlox::testing::loggedMessages;
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

    LoopbackHttpServer server;
    RemoteArtifactService* remoteArtifacts = nullptr;
};

TEST_F(CatalogServiceTest, WithoutRemoteURLTheBuiltInCatalogIsUsedAndNoCacheIsWritten) {
    // GIVEN no remote catalog and nothing loaded yet
    const auto service = makeService(std::nullopt);
    EXPECT_EQ(service->loadSourceLabel(), "Bundle");
    EXPECT_FALSE(service->manifest());
    EXPECT_FALSE(service->isLoading());
    SignalCounter loading(service.get(), &CatalogService::isLoadingChanged);

    // WHEN it reloads
    reload(*service);

    // THEN the built-in catalog is published, sorted, and nothing is cached
    EXPECT_EQ(service->loadSourceLabel(), "Embedded");
    ASSERT_TRUE(service->manifest());
    EXPECT_EQ(*service->manifest(), *loadEmbeddedManifest());
    EXPECT_EQ(service->packages(), packagesSortedByName(service->manifest()->packages));
    EXPECT_FALSE(service->lastErrorMessage());
    EXPECT_FALSE(service->isLoading());
    EXPECT_EQ(loading.count(), 2);
    EXPECT_FALSE(QFileInfo::exists(CatalogService::remoteManifestCachePath()));
    EXPECT_EQ(
        loggedMessages(),
        QStringList({QString("Catalog reload succeeded from embedded resources: packageCount=%1")
                         .arg(service->manifest()->packages.size())}));
}

TEST_F(CatalogServiceTest, ReloadFallsBackFromTheRemoteToTheCachedCopyToTheBuiltInOne) {
    const QByteArray remote = encodeCatalogManifest(remoteCatalog());
    const QByteArray cached = encodeCatalogManifest(cachedCatalog());
    struct Case {
        const char* name;
        int status; // 0: the remote URL is a file holding the body
        QByteArray body;
        std::optional<QByteArray> cachedCopy;
        QString label;
    };
    const QList<Case> cases = {
        {"remote answers", 200, remote, std::nullopt, "Remote"},
        {"any 2xx counts", 299, remote, cached, "Remote"},
        {"file URL", 0, remote, cached, "Remote"},
        {"redirect status", 300, remote, cached, "Cached Remote"},
        {"404 with a cached copy", 404, "missing", cached, "Cached Remote"},
        {"server error", 500, remote, cached, "Cached Remote"},
        {"malformed remote catalog", 200, R"({"catalogVersion":"2","packages":[)", cached,
         "Cached Remote"},
        {"404 without a cached copy", 404, "missing", std::nullopt, "Embedded"},
        {"404 with an unreadable cached copy", 404, "missing", QByteArray("{not json"), "Embedded"},
        {"404 with a cached copy of an unsupported type", 404, "missing",
         QByteArray(R"({"catalogVersion":"1","generatedAt":"x","packages":[{"id":"a","name":"A",)"
                    R"("type":"plugin","category":"c","version":"1"}]})"),
         "Embedded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // GIVEN the case's answer and cached copy
        QFile::remove(CatalogService::remoteManifestCachePath());
        clearOperationsLog();
        if (c.cachedCopy) {
            writeFile(CatalogService::remoteManifestCachePath(), *c.cachedCopy);
        }
        const QString file = home.filePath("catalogs/remote.json");
        writeFile(file, c.body);
        server.setAnswer("/catalog.json", HttpAnswer{c.status, c.body, {}, {}});
        const auto service =
            makeService(c.status == 0 ? QUrl::fromLocalFile(file) : server.url("/catalog.json"));

        // WHEN it reloads
        reload(*service);

        // THEN the first source that holds a good catalog is published, a remote one replaces
        // the cached copy, and a failed fetch is logged before the fallback's success
        EXPECT_EQ(service->loadSourceLabel(), c.label);
        EXPECT_FALSE(service->lastErrorMessage());
        const auto published = c.label == "Remote"          ? remoteCatalog()
                               : c.label == "Cached Remote" ? cachedCatalog()
                                                            : *loadEmbeddedManifest();
        ASSERT_TRUE(service->manifest());
        EXPECT_EQ(*service->manifest(), published);
        EXPECT_EQ(service->packages(), packagesSortedByName(published.packages));
        const QStringList messages = loggedMessages();
        const QString success =
            QString("Catalog reload succeeded from %1 resources: packageCount=%2")
                .arg(c.label.toLower())
                .arg(published.packages.size());
        const QString cachePath = CatalogService::remoteManifestCachePath();
        if (c.label == "Remote") {
            EXPECT_EQ(messages, QStringList{success});
            EXPECT_EQ(*decodeCatalogManifest(readFile(cachePath)), remoteCatalog());
            continue;
        }
        ASSERT_EQ(messages.size(), 2);
        EXPECT_TRUE(messages[0].startsWith("Remote catalog fetch failed: "));
        if (c.status != 200) {
            EXPECT_EQ(messages[0], QString("Remote catalog fetch failed: Remote catalog request "
                                           "failed with HTTP %1.")
                                       .arg(c.status));
        }
        EXPECT_EQ(messages[1], success);
        EXPECT_EQ(QFileInfo::exists(cachePath), c.cachedCopy.has_value());
        if (c.cachedCopy) {
            EXPECT_EQ(readFile(cachePath), *c.cachedCopy);
        }
    }
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

TEST_F(CatalogServiceTest, SuccessfulReloadPrunesTheArtifactCacheInCatalogOrder) {
    // GIVEN cached artifacts of a dropped package, and two versions of one listed twice, the
    // later entry sorting first by name
    const QString root = remoteArtifactsDirectory();
    for (const char* file :
         {"/com.marlox.dropped/1.0/payload.zip", "/com.marlox.twice/1.0/payload.zip",
          "/com.marlox.twice/2.0/payload.zip"}) {
        writeFile(root + file, "x");
    }
    serveCatalog(
        encodeCatalogManifest(catalog("1", {namedPackage("com.marlox.twice", "Zulu", "1.0"),
                                            namedPackage("com.marlox.twice", "Alpha", "2.0")})));
    const auto service = makeService(server.url("/catalog.json"));

    // WHEN it reloads
    reload(*service);

    // THEN only the version of the later catalog entry is left
    EXPECT_FALSE(QFileInfo::exists(root + "/com.marlox.dropped"));
    EXPECT_FALSE(QFileInfo::exists(root + "/com.marlox.twice/1.0"));
    EXPECT_TRUE(QFileInfo::exists(root + "/com.marlox.twice/2.0"));
}

} // namespace
