#include "catalog/RemoteArtifactService.h"

#include "CatalogTestSupport.h"
#include "support/CatalogFixtures.h"
#include "support/LoopbackHttpServer.h"
#include "support/SmallFileSystem.h"
#include "support/ZipEntries.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

using namespace marlox::catalog;
using namespace marlox::platform;
using namespace marlox::testing;
using Resolution = marlox::Result<RemotePayloadResolution, RemoteArtifactError>;

namespace {

const QStringList payload = {"Effect.moef/", "Effect.moef/Info.plist"};

// A package named "Name of <id>" whose payload is downloaded from the URL.
PackageManifest remotePackage(const QString& id, const QString& version, const QString& url,
                              const std::optional<QString>& sha256 = std::nullopt) {
    PackageManifest package = testPackage(id, PackageType::generator, version);
    package.downloadURL = url;
    package.sha256 = sha256;
    return package;
}

QString hexDigest(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// A failure of that kind whose description is the given text, or begins with it when it ends in
// "*"; never an empty description.
void expectFailure(const Resolution& resolution, RemoteArtifactError::Kind kind,
                   const QString& description) {
    ASSERT_FALSE(resolution);
    EXPECT_EQ(resolution.error().kind, kind);
    const QString& actual = resolution.error().description();
    EXPECT_TRUE(description.endsWith('*') ? actual.startsWith(description.chopped(1))
                                          : actual == description)
        << actual.toStdString();
    EXPECT_FALSE(actual.isEmpty());
}

class RemoteArtifactServiceTest : public ScratchHomeTest {
protected:
    // Resolved by a service that runs the given archive tool; the cache's files are its state.
    static Resolution resolve(const PackageManifest& package,
                              const QString& tool = builtBundlePath() + "/Contents/MacOS/ditto") {
        return RemoteArtifactService(std::make_shared<NetworkHttpClient>(),
                                     std::make_shared<SystemProcessRunner>(), tool)
            .resolvePayload(package)
            .result();
    }

    // An archive of entries as writeZip() takes them; by default a payload folder.
    QByteArray zipOf(const QStringList& entries = payload, const QByteArray& contents = "payload") {
        const QString path = home.filePath(QString("%1.zip").arg(++zips));
        EXPECT_TRUE(writeZip(path, entries, contents));
        return readFile(path);
    }

    // Serves the package's archive at "/<id>.zip" and gives its URL.
    QString serve(const QString& id, const QByteArray& body, int status = 200) {
        server.setAnswer("/" + id + ".zip", HttpAnswer{status, body, {}, {}});
        return server.url("/" + id + ".zip").toString();
    }
    int requests(const QString& id) const { return server.requestCount("/" + id + ".zip"); }
    // With status 0 no server answers at all.
    PackageManifest served(const QString& id, const QByteArray& body, int status = 200,
                           const std::optional<QString>& sha256 = {}) {
        const QString url = status == 0 ? "http://127.0.0.1:1/x.zip" : serve(id, body, status);
        return remotePackage(id, "1.0", url, sha256);
    }

    static QString versionFolder(const QString& id, const QString& version = "1.0") {
        return remoteArtifactsDirectory() + "/" + id + "/" + version;
    }

    LoopbackHttpServer server;
    int zips = 0;
};

TEST_F(RemoteArtifactServiceTest, ResolvesFromTheCacheOrTheServerAsTheDigestAllowsAndPrunes) {
    enum Digest { none, lower, upper };
    // What the version folder holds beforehand (an archive with this marker, an expansion), the
    // digest in the catalog, whether the URL is a file, the requests it takes, the payload root
    // and the marker found in it.
    using Case =
        std::tuple<const char*, QByteArray, QString, Digest, bool, int, QString, QByteArray>;
    const Case cases[] = {
        {"nothing cached", {}, {}, upper, false, 1, "Effect.moef", "new"},
        {"stale archive and expansion", "old", "Old.moef", lower, false, 1, "Effect.moef", "new"},
        {"no digest trusts the archive", "cached", {}, none, false, 0, "Effect.moef", "cached"},
        {"expansion is reused", {}, "Kept.moef", lower, false, 1, "Kept.moef", "Kept.moef"},
        {"file URL is read from disk", {}, {}, lower, true, 0, "Effect.moef", "new"},
    };
    const QByteArray served = zipOf(payload, "new");
    writeFile(home.filePath("local/effect.zip"), served);
    int index = 0;
    for (const auto& [name, archive, expansion, digest, fromFile, requested, root, marker] :
         cases) {
        SCOPED_TRACE(name);
        // GIVEN the case's cache beside an older version, a stray file and a hidden item, and a
        // package whose archive is served under a padded URL
        const QString id = QString("com.marlox.cache%1").arg(++index);
        const QString folder = versionFolder(id);
        const QByteArray cachedArchive = archive.isEmpty() ? served : zipOf(payload, archive);
        if (!archive.isEmpty()) {
            writeFile(folder + "/payload.zip", cachedArchive);
        }
        if (!expansion.isEmpty()) {
            writeFile(folder + "/expanded/" + expansion + "/Info.plist", expansion.toUtf8());
        }
        for (const char* other : {"/../0.9/payload.zip", "/../stray.txt", "/../.keep"}) {
            writeFile(folder + other, "x");
        }
        const QString url = fromFile
                                ? QUrl::fromLocalFile(home.filePath("local/effect.zip")).toString()
                                : serve(id, served);
        const QString sha256 = digest == upper ? hexDigest(served).toUpper() : hexDigest(served);
        const PackageManifest effect = remotePackage(
            id, "1.0", "  " + url + " \n", digest == none ? std::nullopt : std::optional(sha256));

        // WHEN it is resolved
        const Resolution first = resolve(effect);

        // THEN the archive is fetched only when the cache cannot answer, the single visible item
        // of the expansion is the payload root, and the other versions are gone
        ASSERT_TRUE(first) << first.error().description().toStdString();
        EXPECT_EQ(requests(id), requested);
        EXPECT_EQ(first->archiveURL, folder + "/payload.zip");
        EXPECT_EQ(readFile(first->archiveURL), requested == 0 ? cachedArchive : served);
        EXPECT_EQ(first->payloadRootURL, folder + "/expanded/" + root);
        EXPECT_EQ(QDir(folder + "/expanded").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{root});
        EXPECT_EQ(readFile(first->payloadRootURL + "/Info.plist"), marker);
        EXPECT_EQ(
            QDir(folder + "/..").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList({".keep", "1.0"}));

        // AND a second resolution is answered by the cache alone
        const Resolution second = resolve(effect);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->payloadRootURL, first->payloadRootURL);
        EXPECT_EQ(requests(id), requested);
    }
}

TEST_F(RemoteArtifactServiceTest, FailureLeavesNothingToBeTakenForAPayloadAndRefusalsTouchNothing) {
    using enum RemoteArtifactError::Kind;
    const QByteArray good = zipOf();
    const QString wrong = QString(64, 'A');
    const QString mismatch = "Downloaded artifact checksum mismatch. Expected " + wrong + ", got " +
                             hexDigest(good) + ".";
    const QString missing = "Remote download URL is missing for Name of a.";
    const QString url = server.url("/effect.zip").toString();
    // The package, and the failure's kind, code and description, after how many requests.
    using Case = std::tuple<PackageManifest, RemoteArtifactError::Kind, int, QString, int>;
    const Case cases[] = {
        // Refused for their fields first, while nothing has been made yet.
        {remotePackage("a", "1.0", " \n\t "), remoteURLMissing, 0, missing, 0},
        {remotePackage("a", "1.0", " http://exa mple.com/a.zip\n"), invalidRemoteURL, 0,
         "Remote download URL is invalid: http://exa mple.com/a.zip", 0},
        {remotePackage("..", "1.0", url), unsafeCacheFolderName, 0, "*", 0},
        {remotePackage("a", "..", url), unsafeCacheFolderName, 0, "*", 0},
        {remotePackage("a", "../../../../outside", url), unsafeCacheFolderName, 0, "*", 0},

        {served("mismatch", good, 200, "  " + wrong + "\n"), sha256Mismatch, 0, mismatch, 2},
        {served("http300", good, 300), httpStatus, 300, "HTTP 300 while downloading artifact.", 1},
        {served("http404", good, 404), httpStatus, 404, "HTTP 404 while downloading artifact.", 1},
        {served("noserver", good, 0), transport, 0, "*", 0},
        {served("truncated", good.left(good.size() / 2)), extractionFailed, 1, "ditto: *", 1},
    };
    for (const auto& [package, kind, code, description, requested] : cases) {
        SCOPED_TRACE(package.id.toStdString() + " " + package.version.toStdString());
        // GIVEN the case's package and answer
        const QStringList before = treeOf(home.path());

        // WHEN it is resolved, twice
        const Resolution first = resolve(package);
        const int requestsOfFirst = requests(package.id);
        const Resolution second = resolve(package);

        // THEN both fail alike, and only a verified archive is left: no partial download, no
        // expansion; a package refused for its fields touches nothing
        expectFailure(first, kind, description);
        expectFailure(second, kind, description);
        EXPECT_EQ(first.error().code, code);
        EXPECT_EQ(first.error().domain(), code == 0 ? "" : "RemoteArtifactService");
        EXPECT_EQ(requestsOfFirst, requested);
        EXPECT_EQ(treeOf(versionFolder(package.id, package.version)),
                  kind == extractionFailed ? QStringList{"payload.zip"} : QStringList());
        if (kind == remoteURLMissing || kind == invalidRemoteURL || kind == unsafeCacheFolderName) {
            EXPECT_EQ(treeOf(home.path()), before);
        }
    }
    EXPECT_EQ(server.requestCount("/effect.zip"), 0);
}

TEST_F(RemoteArtifactServiceTest, ADownloadAFullDiskCannotTakeFailsInTheSystemsWordsLeavingNothing) {
    // GIVEN the cache of artifacts on a small file system with little room left, and an archive
    // larger than that, of bytes that do not compress
    SmallFileSystem disk(remoteArtifactsDirectory());
    MARLOX_SKIP_WITHOUT(disk);
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    QRandomGenerator(53).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    const QByteArray archive = zipOf(payload, noise);
    disk.fill(8 * 1024);

    // WHEN it is resolved THEN the download fails saying why, and nothing is left of it
    const Resolution resolution = resolve(served("large", archive));
    ASSERT_FALSE(resolution);
    expectFailure(resolution, RemoteArtifactError::Kind::transport, "*");
    EXPECT_TRUE(resolution.error().description().contains("No space left on device"))
        << resolution.error().description().toStdString();
    EXPECT_EQ(treeOf(versionFolder("large")), QStringList());
}

TEST_F(RemoteArtifactServiceTest, PayloadRootIsTheSingleVisibleItemOrTheExpandedFolder) {
    const std::pair<QStringList, QString> cases[] = {
        {{"E.moef/x", "__MACOSX/E.moef/._x", ".DS_Store"}, "/E.moef"},
        {{"E.zip"}, "/E.zip"},
        {{"A.moef/x", "B.moef/x"}, ""},
        {{"__MACOSX/._x", ".hidden"}, "none"},
    };
    for (const auto& [files, root] : cases) {
        SCOPED_TRACE(files.join(' ').toStdString());
        const QString id = "com.marlox." + QString::number(zips);
        const Resolution resolution = resolve(served(id, zipOf(files)));
        if (root == "none") {
            expectFailure(resolution, RemoteArtifactError::Kind::payloadArchiveMissing,
                          "Downloaded artifact did not contain any payload files.");
        } else {
            ASSERT_TRUE(resolution) << resolution.error().description().toStdString();
            EXPECT_EQ(resolution->payloadRootURL, versionFolder(id) + "/expanded" + root);
        }
    }
}

TEST_F(RemoteArtifactServiceTest, ToolFailureCarriesItsExitStatusAndOutput) {
    using enum RemoteArtifactError::Kind;
    const std::tuple<std::optional<QString>, RemoteArtifactError::Kind, int, QString> cases[] = {
        {"printf 'out\\n'; printf 'err' >&2; exit 3", extractionFailed, 3, "out\nerr"},
        {"printf '\\377\\376' >&2; exit 5", extractionFailed, 5, "Artifact extraction failed."},
        // No tool at all.
        {std::nullopt, system, 0, "*"},
    };
    int index = 0;
    for (const auto& [script, kind, code, description] : cases) {
        SCOPED_TRACE(script.value_or("no tool").toStdString());
        // GIVEN a stand-in tool that records its arguments, writes part of a payload and fails
        const QString tool = home.filePath(QString("tools/ditto%1").arg(++index));
        const QString arguments = home.filePath(QString("tools/arguments%1").arg(index));
        if (script) {
            writeFile(tool,
                      QString("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\nmkdir \"$4/Partial\"\n%2\n")
                          .arg(arguments, *script)
                          .toUtf8());
            QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const QString id = QString("com.marlox.tool%1").arg(index);

        // WHEN a package is resolved with it
        const Resolution resolution = resolve(served(id, zipOf()), tool);

        // THEN the error has the tool's status and output, only the archive is left, and the
        // tool got the archive and a folder beside `expanded`
        expectFailure(resolution, kind, description);
        EXPECT_EQ(resolution.error().code, code);
        EXPECT_EQ(treeOf(versionFolder(id)), QStringList{"payload.zip"});
        if (script) {
            const QStringList passed =
                QString::fromUtf8(readFile(arguments)).split('\n', Qt::SkipEmptyParts);
            ASSERT_EQ(passed.size(), 4);
            EXPECT_EQ(passed.first(3),
                      QStringList({"-x", "-k", versionFolder(id) + "/payload.zip"}));
            EXPECT_EQ(QFileInfo(passed[3]).path(), versionFolder(id));
        }
    }
}

} // namespace
