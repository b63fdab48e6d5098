#include "catalog/RemoteArtifactService.h"

#include "CatalogTestSupport.h"
#include "catalog/Environment.h"
#include "catalog/OperationsLog.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "support/LoopbackHttpServer.h"
#include "support/QtPrinters.h"
#include "support/ScratchHome.h"
#include "support/ZipWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

using namespace marlox::catalog;
using marlox::testing::HttpAnswer;
using marlox::testing::LoopbackHttpServer;
using marlox::testing::readFile;
using marlox::testing::ScratchHomeTest;
using marlox::testing::writeFile;
using marlox::testing::ZipWriter;
using Kind = RemoteArtifactError::Kind;

namespace {

QString dittoPath() {
    return marlox::testing::builtBundlePath() + "/Contents/MacOS/ditto";
}

QString hexDigest(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

PackageManifest package(const QString& id, const QString& version, std::optional<QString> url,
                        std::optional<QString> sha256 = std::nullopt) {
    return marlox::testing::testPackage(id, version, std::move(url), std::move(sha256));
}

bool anythingNamedUnder(const QString& folder, const QString& name) {
    QDirIterator iterator(folder,
                          QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                          QDirIterator::Subdirectories);
    while (iterator.hasNext()) {
        if (QFileInfo(iterator.next()).fileName() == name) {
            return true;
        }
    }
    return false;
}

class RemoteArtifactServiceTest : public ScratchHomeTest {
protected:
    using Resolution = marlox::Result<RemotePayloadResolution, RemoteArtifactError>;

    Resolution resolve(const PackageManifest& package) {
        auto future = service.resolvePayload(package);
        future.waitForFinished();
        return future.result();
    }

    QByteArray zip(const std::function<void(ZipWriter&)>& entries) {
        const QString path = home.filePath(QString("zips/%1.zip").arg(++m_zipCount));
        QDir().mkpath(home.filePath("zips"));
        ZipWriter writer(path);
        entries(writer);
        EXPECT_TRUE(writer.close());
        return readFile(path);
    }

    QByteArray payloadZip(const QByteArray& marker = "payload") {
        return zip([&](ZipWriter& writer) {
            writer.addDirectory("Effect.moef/");
            writer.addFile("Effect.moef/Info.plist", marker);
        });
    }

    QString serve(const QString& path, const QByteArray& body, int status = 200) {
        server.setAnswer(path, HttpAnswer{status, body, {}, {}});
        return server.url(path).toString();
    }

    static QString versionFolder(const QString& id, const QString& version) {
        return remoteArtifactsDirectory() + "/" + id + "/" + version;
    }

    LoopbackHttpServer server;
    RemoteArtifactService service{std::make_shared<marlox::platform::NetworkHttpClient>(),
                                  std::make_shared<marlox::platform::SystemProcessRunner>(),
                                  dittoPath()};

private:
    int m_zipCount = 0;
};

TEST_F(RemoteArtifactServiceTest, DownloadsVerifiesAndExpandsIntoTheVersionFolder) {
    // GIVEN a catalog package whose archive is served with its digest in upper case
    const QByteArray archive = payloadZip();
    const QString url = serve("/effect.zip", archive);

    // WHEN it is resolved
    const Resolution resolution =
        resolve(package("com.marlox.effect", "1.2", url, hexDigest(archive).toUpper()));

    // THEN the archive is cached as served and its single top-level item is the payload root
    ASSERT_TRUE(resolution) << resolution.error().description.toStdString();
    const QString folder = versionFolder("com.marlox.effect", "1.2");
    EXPECT_EQ(resolution->archiveURL, folder + "/payload.zip");
    EXPECT_EQ(resolution->payloadRootURL, folder + "/expanded/Effect.moef");
    EXPECT_EQ(readFile(resolution->archiveURL), archive);
    EXPECT_EQ(readFile(resolution->payloadRootURL + "/Info.plist"), "payload");
    EXPECT_EQ(server.requestCount("/effect.zip"), 1);
}

TEST_F(RemoteArtifactServiceTest, CachedVerifiedArchiveCausesNoDownload) {
    // GIVEN a package resolved once
    const QByteArray archive = payloadZip();
    const PackageManifest effect =
        package("com.marlox.effect", "1.0", serve("/effect.zip", archive), hexDigest(archive));
    ASSERT_TRUE(resolve(effect));

    // WHEN it is resolved again
    const Resolution again = resolve(effect);

    // THEN the cache answers without another request
    ASSERT_TRUE(again);
    EXPECT_EQ(again->payloadRootURL,
              versionFolder("com.marlox.effect", "1.0") + "/expanded/Effect.moef");
    EXPECT_EQ(server.requestCount("/effect.zip"), 1);
}

TEST_F(RemoteArtifactServiceTest, ServerThatKeepsServingAWrongArchiveGetsExactlyTwoRequests) {
    // GIVEN a catalog digest that the served archive never matches
    const QByteArray archive = payloadZip();
    const QString expected = QString(64, 'A');
    const PackageManifest effect =
        package("com.marlox.effect", "1.0", serve("/effect.zip", archive), "  " + expected + "\n");

    // WHEN it is resolved
    const Resolution resolution = resolve(effect);

    // THEN it was fetched twice, the error names both digests, and no archive is left
    ASSERT_FALSE(resolution);
    EXPECT_EQ(resolution.error().kind, Kind::sha256Mismatch);
    EXPECT_EQ(resolution.error().description, "Downloaded artifact checksum mismatch. Expected " +
                                                  expected + ", got " + hexDigest(archive) + ".");
    EXPECT_EQ(server.requestCount("/effect.zip"), 2);
    EXPECT_FALSE(QFileInfo::exists(versionFolder("com.marlox.effect", "1.0") + "/payload.zip"));
    EXPECT_FALSE(QFileInfo::exists(versionFolder("com.marlox.effect", "1.0") + "/expanded"));
}

TEST_F(RemoteArtifactServiceTest, StaleCachedArchiveIsFetchedAgainAndExpandedAfresh) {
    // GIVEN a cached archive and expansion that no longer match the catalog's digest
    const QString folder = versionFolder("com.marlox.effect", "1.0");
    writeFile(folder + "/payload.zip", payloadZip("old"));
    writeFile(folder + "/expanded/Old.moef/Info.plist", "old");
    const QByteArray archive = payloadZip("new");
    const PackageManifest effect =
        package("com.marlox.effect", "1.0", serve("/effect.zip", archive), hexDigest(archive));

    // WHEN it is resolved
    const Resolution resolution = resolve(effect);

    // THEN the new archive replaces both
    ASSERT_TRUE(resolution) << resolution.error().description.toStdString();
    EXPECT_EQ(server.requestCount("/effect.zip"), 1);
    EXPECT_EQ(readFile(folder + "/payload.zip"), archive);
    EXPECT_FALSE(QFileInfo::exists(folder + "/expanded/Old.moef"));
    EXPECT_EQ(readFile(resolution->payloadRootURL + "/Info.plist"), "new");
}

TEST_F(RemoteArtifactServiceTest, WithoutDigestTheCachedArchiveIsTrusted) {
    // GIVEN a cached archive and a URL that nothing answers
    const QString folder = versionFolder("com.marlox.effect", "1.0");
    writeFile(folder + "/payload.zip", payloadZip("cached"));
    const PackageManifest effect =
        package("com.marlox.effect", "1.0", server.url("/gone.zip").toString());

    // WHEN it is resolved
    const Resolution resolution = resolve(effect);

    // THEN the cached archive is expanded without any request
    ASSERT_TRUE(resolution) << resolution.error().description.toStdString();
    EXPECT_EQ(readFile(resolution->payloadRootURL + "/Info.plist"), "cached");
    EXPECT_TRUE(server.requestedPaths().isEmpty());
}

TEST_F(RemoteArtifactServiceTest, ExistingExpansionIsReusedWhenTheArchiveIsFetchedAgain) {
    // GIVEN an expanded folder whose archive is missing
    const QString folder = versionFolder("com.marlox.effect", "1.0");
    writeFile(folder + "/expanded/Kept.moef/Info.plist", "kept");
    const QByteArray archive = payloadZip("new");

    // WHEN it is resolved
    const Resolution resolution = resolve(
        package("com.marlox.effect", "1.0", serve("/effect.zip", archive), hexDigest(archive)));

    // THEN the archive is downloaded but not expanded over the existing folder
    ASSERT_TRUE(resolution) << resolution.error().description.toStdString();
    EXPECT_EQ(readFile(folder + "/payload.zip"), archive);
    EXPECT_EQ(resolution->payloadRootURL, folder + "/expanded/Kept.moef");
    EXPECT_FALSE(QFileInfo::exists(folder + "/expanded/Effect.moef"));
}

TEST_F(RemoteArtifactServiceTest, PayloadRootIsTheSingleVisibleItemOrTheExpandedFolder) {
    struct Case {
        const char* name;
        std::function<void(ZipWriter&)> entries;
        QString expectedRoot; // relative to the version folder
    };
    const QList<Case> cases = {
        {"one folder beside __MACOSX and hidden files",
         [](ZipWriter& zip) {
             zip.addFile("Effect.moef/Info.plist", "x");
             zip.addFile("__MACOSX/Effect.moef/._Info.plist", "x");
             zip.addFile(".DS_Store", "x");
         },
         "expanded/Effect.moef"},
        {"one file", [](ZipWriter& zip) { zip.addFile("Effect.zip", "x"); }, "expanded/Effect.zip"},
        {"two items",
         [](ZipWriter& zip) {
             zip.addFile("A.moef/Info.plist", "x");
             zip.addFile("B.moef/Info.plist", "x");
         },
         "expanded"},
    };
    int index = 0;
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        // GIVEN an archive of that shape
        const QString id = QString("com.marlox.shape%1").arg(++index);
        const QString url = serve("/" + id + ".zip", zip(testCase.entries));
        // WHEN it is resolved
        const Resolution resolution = resolve(package(id, "1.0", url));
        // THEN the payload root is as expected
        ASSERT_TRUE(resolution) << resolution.error().description.toStdString();
        EXPECT_EQ(resolution->payloadRootURL,
                  versionFolder(id, "1.0") + "/" + testCase.expectedRoot);
    }
}

TEST_F(RemoteArtifactServiceTest, ArchiveWithNothingVisibleHasNoPayload) {
    const QString url = serve("/empty.zip", zip([](ZipWriter& zip) {
                                  zip.addFile("__MACOSX/._x", "x");
                                  zip.addFile(".hidden", "x");
                              }));

    const Resolution resolution = resolve(package("com.marlox.empty", "1.0", url));

    ASSERT_FALSE(resolution);
    EXPECT_EQ(resolution.error().kind, Kind::payloadArchiveMissing);
    EXPECT_EQ(resolution.error().description,
              "Downloaded artifact did not contain any payload files.");
}

TEST_F(RemoteArtifactServiceTest, ResolvingANewVersionPrunesTheOthers) {
    // GIVEN an earlier version, a stray file and a hidden item in the package's folder
    const QString packageFolder = remoteArtifactsDirectory() + "/com.marlox.effect";
    writeFile(packageFolder + "/1.0/payload.zip", "old");
    writeFile(packageFolder + "/stray.txt", "x");
    writeFile(packageFolder + "/.keep", "x");

    // WHEN version 2.0 is resolved
    ASSERT_TRUE(resolve(package("com.marlox.effect", "2.0", serve("/effect.zip", payloadZip()))));

    // THEN only 2.0 and the hidden item remain
    QStringList left =
        QDir(packageFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    left.sort();
    EXPECT_EQ(left, QStringList({".keep", "2.0"}));
}

TEST_F(RemoteArtifactServiceTest, RefusesBadPackageFieldsBeforeTouchingTheDisk) {
    struct Case {
        PackageManifest package;
        Kind kind;
        QString description;
    };
    const QString url = server.url("/effect.zip").toString();
    const QList<Case> cases = {
        {package("com.marlox.a", "1.0", std::nullopt), Kind::remoteURLMissing,
         "Remote download URL is missing for Name of com.marlox.a."},
        {package("com.marlox.a", "1.0", " \n\t "), Kind::remoteURLMissing,
         "Remote download URL is missing for Name of com.marlox.a."},
        {package("com.marlox.a", "1.0", " http://exa mple.com/a.zip\n"), Kind::invalidRemoteURL,
         "Remote download URL is invalid: http://exa mple.com/a.zip"},
        {package("..", "1.0", url), Kind::unsafeCacheFolderName, {}},
        {package(".", "1.0", url), Kind::unsafeCacheFolderName, {}},
        {package("", "1.0", url), Kind::unsafeCacheFolderName, {}},
        {package("com/marlox", "1.0", url), Kind::unsafeCacheFolderName, {}},
        {package("com.marlox.a", "..", url), Kind::unsafeCacheFolderName, {}},
        {package("com.marlox.a", "../../../../outside", url), Kind::unsafeCacheFolderName, {}},
        {package("com.marlox.a", QString("1.0") + QChar(u'\0') + "x", url),
         Kind::unsafeCacheFolderName,
         {}},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.package.id.toStdString() + " " +
                     testCase.package.version.toStdString());
        const Resolution resolution = resolve(testCase.package);
        ASSERT_FALSE(resolution);
        EXPECT_EQ(resolution.error().kind, testCase.kind);
        if (!testCase.description.isEmpty()) {
            EXPECT_EQ(resolution.error().description, testCase.description);
        } else {
            EXPECT_FALSE(resolution.error().description.isEmpty());
        }
    }
    EXPECT_FALSE(QFileInfo::exists(applicationSupportDirectory()));
    EXPECT_TRUE(server.requestedPaths().isEmpty());
}

TEST_F(RemoteArtifactServiceTest, DownloadURLIsUsedAfterTrimming) {
    const QString url = serve("/effect.zip", payloadZip());

    const Resolution resolution = resolve(package("com.marlox.effect", "1.0", "  " + url + " \n"));

    ASSERT_TRUE(resolution) << resolution.error().description.toStdString();
    EXPECT_EQ(server.requestCount("/effect.zip"), 1);
}

TEST_F(RemoteArtifactServiceTest, FileURLIsCopiedFromDisk) {
    const QByteArray archive = payloadZip("local");
    writeFile(home.filePath("local/effect.zip"), archive);

    const Resolution resolution = resolve(package(
        "com.marlox.effect", "1.0",
        QUrl::fromLocalFile(home.filePath("local/effect.zip")).toString(), hexDigest(archive)));

    ASSERT_TRUE(resolution) << resolution.error().description.toStdString();
    EXPECT_EQ(readFile(resolution->archiveURL), archive);
    EXPECT_EQ(readFile(resolution->payloadRootURL + "/Info.plist"), "local");
}

TEST_F(RemoteArtifactServiceTest, StatusOutsideTwoHundredsFailsWithTheStatusAndLeavesNoArchive) {
    for (const int status : {199, 300, 404, 500}) {
        SCOPED_TRACE(status);
        const QString id = QString("com.marlox.status%1").arg(status);
        const QString url = serve("/" + id + ".zip", payloadZip(), status);

        const Resolution resolution = resolve(package(id, "1.0", url));

        ASSERT_FALSE(resolution);
        EXPECT_EQ(resolution.error().kind, Kind::httpStatus);
        EXPECT_EQ(resolution.error().domain(), "RemoteArtifactService");
        EXPECT_EQ(resolution.error().code, status);
        EXPECT_EQ(resolution.error().description,
                  QString("HTTP %1 while downloading artifact.").arg(status));
        EXPECT_EQ(QDir(versionFolder(id, "1.0")).entryList(QDir::Files | QDir::Hidden),
                  QStringList());
    }
}

TEST_F(RemoteArtifactServiceTest, UnreachableServerIsATransportFailure) {
    const Resolution resolution =
        resolve(package("com.marlox.effect", "1.0", "http://127.0.0.1:1/effect.zip"));

    ASSERT_FALSE(resolution);
    EXPECT_EQ(resolution.error().kind, Kind::transport);
    EXPECT_FALSE(resolution.error().description.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(versionFolder("com.marlox.effect", "1.0") + "/payload.zip"));
}

TEST_F(RemoteArtifactServiceTest, HostileArchiveWritesNothingOutsideAndLeavesNoExpandedFolder) {
    struct Case {
        const char* name;
        std::function<void(ZipWriter&, const QString& outside)> entries;
    };
    const QString outside = home.filePath("outside");
    QDir().mkpath(outside);
    const QList<Case> cases = {
        {"parent folder",
         [](ZipWriter& zip, const QString&) { zip.addFile("../../../../evil", "x"); }},
        {"absolute path",
         [](ZipWriter& zip, const QString& out) { zip.addFile(out + "/evil", "x"); }},
        {"link pointing out",
         [](ZipWriter& zip, const QString& out) {
             zip.addSymbolicLink("evil", out);
             zip.addFile("evil/evil", "x");
         }},
    };
    int index = 0;
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        // GIVEN a served archive with an entry that would leave the destination
        const QString id = QString("com.marlox.hostile%1").arg(++index);
        const QString url = serve("/" + id + ".zip", zip([&](ZipWriter& writer) {
                                      writer.addFile("Effect.moef/Info.plist", "x");
                                      testCase.entries(writer, outside);
                                  }));

        // WHEN it is resolved
        const Resolution resolution = resolve(package(id, "1.0", url));

        // THEN the tool's reason is the error, and nothing landed anywhere
        ASSERT_FALSE(resolution);
        EXPECT_EQ(resolution.error().kind, Kind::extractionFailed);
        EXPECT_EQ(resolution.error().domain(), "RemoteArtifactService");
        EXPECT_NE(resolution.error().code, 0);
        EXPECT_TRUE(resolution.error().description.startsWith("ditto: Archive entry"))
            << resolution.error().description.toStdString();
        EXPECT_FALSE(anythingNamedUnder(home.path(), "evil"));
        EXPECT_FALSE(QFileInfo::exists(versionFolder(id, "1.0") + "/expanded"));
    }
}

TEST_F(RemoteArtifactServiceTest, FailedExpansionIsNeverReusedAsComplete) {
    // GIVEN a truncated archive
    const QByteArray archive = payloadZip();
    const QString url = serve("/effect.zip", archive.left(archive.size() / 2));
    const PackageManifest effect = package("com.marlox.effect", "1.0", url);

    // WHEN it is resolved twice
    const Resolution first = resolve(effect);
    const Resolution second = resolve(effect);

    // THEN both runs fail in the tool, and no expanded folder is ever left to pass for the payload
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error().kind, Kind::extractionFailed);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().kind, Kind::extractionFailed);
    EXPECT_FALSE(QFileInfo::exists(versionFolder("com.marlox.effect", "1.0") + "/expanded"));
}

TEST_F(RemoteArtifactServiceTest, ToolFailureCarriesItsExitStatusAndOutput) {
    struct Case {
        const char* script;
        int code;
        QString description;
    };
    const QList<Case> cases = {
        {"printf 'out\\n'; printf 'err' >&2; exit 3", 3, "out\nerr"},
        {"exit 4", 4, "Artifact extraction failed."},
        {"printf '\\377\\376' >&2; exit 5", 5, "Artifact extraction failed."},
    };
    int index = 0;
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.script);
        // GIVEN a stand-in tool that records its arguments and fails
        const QString tool = home.filePath(QString("tools/ditto%1").arg(++index));
        const QString arguments = home.filePath(QString("tools/arguments%1").arg(index));
        writeFile(tool, QString("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n%2\n")
                            .arg(arguments, testCase.script)
                            .toUtf8());
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        RemoteArtifactService failing(std::make_shared<marlox::platform::NetworkHttpClient>(),
                                      std::make_shared<marlox::platform::SystemProcessRunner>(),
                                      tool);
        const QString id = QString("com.marlox.tool%1").arg(index);

        // WHEN a package is resolved with it
        auto future =
            failing.resolvePayload(package(id, "1.0", serve("/" + id + ".zip", payloadZip())));
        future.waitForFinished();
        const Resolution resolution = future.result();

        // THEN the error has the tool's status and output, and the tool got the archive and a
        // folder beside `expanded`
        ASSERT_FALSE(resolution);
        EXPECT_EQ(resolution.error().kind, Kind::extractionFailed);
        EXPECT_EQ(resolution.error().code, testCase.code);
        EXPECT_EQ(resolution.error().description, testCase.description);
        const QStringList passed =
            QString::fromUtf8(readFile(arguments)).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(passed.size(), 4);
        EXPECT_EQ(passed.mid(0, 3),
                  QStringList({"-x", "-k", versionFolder(id, "1.0") + "/payload.zip"}));
        EXPECT_EQ(QFileInfo(passed[3]).path(), versionFolder(id, "1.0"));
        EXPECT_FALSE(QFileInfo::exists(versionFolder(id, "1.0") + "/expanded"));
    }
}

TEST_F(RemoteArtifactServiceTest, ToolThatCannotStartIsReported) {
    RemoteArtifactService missingTool(std::make_shared<marlox::platform::NetworkHttpClient>(),
                                      std::make_shared<marlox::platform::SystemProcessRunner>(),
                                      home.filePath("no/such/ditto"));
    auto future = missingTool.resolvePayload(
        package("com.marlox.effect", "1.0", serve("/effect.zip", payloadZip())));
    future.waitForFinished();

    ASSERT_FALSE(future.result());
    EXPECT_EQ(future.result().error().kind, Kind::system);
    EXPECT_FALSE(QFileInfo::exists(versionFolder("com.marlox.effect", "1.0") + "/expanded"));
}

class PruneCacheTest : public RemoteArtifactServiceTest {
protected:
    void prune(const QList<PackageManifest>& packages) {
        service.pruneCache(packages).waitForFinished();
        flushOperationsLog();
    }
};

TEST_F(PruneCacheTest, RemovesUnlistedPackagesAndVersionsOtherThanTheCatalogs) {
    // GIVEN a cache holding a dropped package, a current one with an old version, and hidden items
    const QString root = remoteArtifactsDirectory();
    writeFile(root + "/com.marlox.dropped/1.0/payload.zip", "x");
    writeFile(root + "/com.marlox.kept/1.0/payload.zip", "x");
    writeFile(root + "/com.marlox.kept/2.0/payload.zip", "x");
    writeFile(root + "/com.marlox.kept/.hidden", "x");
    writeFile(root + "/.hidden", "x");

    // WHEN the cache is pruned against a catalog that lists only version 2.0 of the kept package
    prune({package("com.marlox.kept", "2.0", "https://example.com/kept.zip")});

    // THEN only that version and the hidden items are left
    EXPECT_FALSE(QFileInfo::exists(root + "/com.marlox.dropped"));
    EXPECT_FALSE(QFileInfo::exists(root + "/com.marlox.kept/1.0"));
    EXPECT_TRUE(QFileInfo::exists(root + "/com.marlox.kept/2.0/payload.zip"));
    EXPECT_TRUE(QFileInfo::exists(root + "/com.marlox.kept/.hidden"));
    EXPECT_TRUE(QFileInfo::exists(root + "/.hidden"));
}

TEST_F(PruneCacheTest, WithoutTheCacheFolderDoesNothingAndLogsNothing) {
    prune({package("com.marlox.kept", "2.0", std::nullopt)});

    EXPECT_FALSE(QFileInfo::exists(remoteArtifactsDirectory()));
    EXPECT_FALSE(QFileInfo::exists(operationsLogFilePath()));
}

TEST_F(PruneCacheTest, PackageFolderThatCannotBeListedIsLogged) {
    // GIVEN a file where a package's folder should be
    writeFile(remoteArtifactsDirectory() + "/com.marlox.kept", "not a folder");

    prune({package("com.marlox.kept", "2.0", std::nullopt)});

    const QString logText = QString::fromUtf8(readFile(operationsLogFilePath()));
    EXPECT_TRUE(logText.contains("Remote artifact version prune failed for com.marlox.kept: "))
        << logText.toStdString();
}

} // namespace
