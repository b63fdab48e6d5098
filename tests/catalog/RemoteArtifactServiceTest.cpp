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
using marlox::testing::loggedMessages;
using marlox::testing::LoopbackHttpServer;
using marlox::testing::readFile;
using marlox::testing::ScratchHomeTest;
using marlox::testing::testPackage;
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

    // Resolved by the fixture's service, or by one that runs the given archive tool.
    Resolution resolve(const PackageManifest& package, const QString& tool = {}) {
        std::optional<RemoteArtifactService> other;
        if (!tool.isEmpty()) {
            other.emplace(std::make_shared<marlox::platform::NetworkHttpClient>(),
                          std::make_shared<marlox::platform::SystemProcessRunner>(), tool);
        }
        auto future = (other ? *other : service).resolvePayload(package);
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

    // Serves the package's archive at "/<id>.zip" and gives its URL.
    QString serve(const QString& id, const QByteArray& body, int status = 200) {
        server.setAnswer("/" + id + ".zip", HttpAnswer{status, body, {}, {}});
        return server.url("/" + id + ".zip").toString();
    }
    int requests(const QString& id) const { return server.requestCount("/" + id + ".zip"); }

    static QString versionFolder(const QString& id, const QString& version = "1.0") {
        return remoteArtifactsDirectory() + "/" + id + "/" + version;
    }

    LoopbackHttpServer server;
    RemoteArtifactService service{std::make_shared<marlox::platform::NetworkHttpClient>(),
                                  std::make_shared<marlox::platform::SystemProcessRunner>(),
                                  dittoPath()};

private:
    int m_zipCount = 0;
};

TEST_F(RemoteArtifactServiceTest, ResolvesFromTheCacheOrTheServerAsTheDigestAllows) {
    enum Digest { noDigest, lowerCase, upperCase };
    struct Case {
        const char* name;
        // What the version folder holds beforehand: an archive with this marker, an expansion.
        QByteArray cachedArchive;
        QString cachedExpansion;
        Digest digest;
        bool fromFile;
        int requests;
        QString root;
        QByteArray marker;
    };
    const Case cases[] = {
        {"nothing cached", {}, {}, upperCase, false, 1, "Effect.moef", "new"},
        {"stale archive and expansion", "old", "Old.moef", lowerCase, false, 1, "Effect.moef",
         "new"},
        {"archive without digest is trusted",
         "cached",
         {},
         noDigest,
         false,
         0,
         "Effect.moef",
         "cached"},
        {"expansion is reused", {}, "Kept.moef", lowerCase, false, 1, "Kept.moef", "Kept.moef"},
        {"file URL is read from disk", {}, {}, lowerCase, true, 0, "Effect.moef", "new"},
    };
    const QByteArray served = payloadZip("new");
    writeFile(home.filePath("local/effect.zip"), served);
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // GIVEN the case's cache and a package whose archive is served under a padded URL
        const QString id = QString("com.marlox.cache%1").arg(++index);
        const QString folder = versionFolder(id);
        const QByteArray cachedArchive =
            c.cachedArchive.isEmpty() ? served : payloadZip(c.cachedArchive);
        if (!c.cachedArchive.isEmpty()) {
            writeFile(folder + "/payload.zip", cachedArchive);
        }
        if (!c.cachedExpansion.isEmpty()) {
            writeFile(folder + "/expanded/" + c.cachedExpansion + "/Info.plist",
                      c.cachedExpansion.toUtf8());
        }
        const QString url = c.fromFile
                                ? QUrl::fromLocalFile(home.filePath("local/effect.zip")).toString()
                                : serve(id, served);
        const QString digest =
            c.digest == upperCase ? hexDigest(served).toUpper() : hexDigest(served);
        const PackageManifest effect =
            testPackage(id, "1.0", "  " + url + " \n",
                        c.digest == noDigest ? std::nullopt : std::optional(digest));

        // WHEN it is resolved
        const Resolution first = resolve(effect);

        // THEN the archive is fetched only when the cache cannot answer, and the single visible
        // item of the expansion is the payload root
        ASSERT_TRUE(first) << first.error().description.toStdString();
        EXPECT_EQ(requests(id), c.requests);
        EXPECT_EQ(first->archiveURL, folder + "/payload.zip");
        EXPECT_EQ(readFile(first->archiveURL), c.requests == 0 ? cachedArchive : served);
        EXPECT_EQ(first->payloadRootURL, folder + "/expanded/" + c.root);
        EXPECT_EQ(QDir(folder + "/expanded").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{c.root});
        EXPECT_EQ(readFile(first->payloadRootURL + "/Info.plist"), c.marker);

        // AND a second resolution is answered by the cache alone
        const Resolution second = resolve(effect);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->payloadRootURL, first->payloadRootURL);
        EXPECT_EQ(requests(id), c.requests);
    }
}

TEST_F(RemoteArtifactServiceTest, ServerThatKeepsServingAWrongArchiveGetsExactlyTwoRequests) {
    // GIVEN a catalog digest that the served archive never matches
    const QByteArray archive = payloadZip();
    const QString expected = QString(64, 'A');
    const PackageManifest effect = testPackage(
        "com.marlox.effect", "1.0", serve("com.marlox.effect", archive), "  " + expected + "\n");

    // WHEN it is resolved
    const Resolution resolution = resolve(effect);

    // THEN it was fetched twice, the error names both digests, and no archive is left
    ASSERT_FALSE(resolution);
    EXPECT_EQ(resolution.error().kind, Kind::sha256Mismatch);
    EXPECT_EQ(resolution.error().description, "Downloaded artifact checksum mismatch. Expected " +
                                                  expected + ", got " + hexDigest(archive) + ".");
    EXPECT_EQ(requests("com.marlox.effect"), 2);
    EXPECT_FALSE(QFileInfo::exists(versionFolder("com.marlox.effect") + "/payload.zip"));
    EXPECT_FALSE(QFileInfo::exists(versionFolder("com.marlox.effect") + "/expanded"));
}

TEST_F(RemoteArtifactServiceTest, PayloadRootIsTheSingleVisibleItemOrTheExpandedFolder) {
    struct Case {
        const char* name;
        std::function<void(ZipWriter&)> entries;
        // Relative to the version folder; nothing when the archive holds no payload.
        std::optional<QString> expectedRoot;
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
        {"nothing visible",
         [](ZipWriter& zip) {
             zip.addFile("__MACOSX/._x", "x");
             zip.addFile(".hidden", "x");
         },
         std::nullopt},
    };
    int index = 0;
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        // GIVEN an archive of that shape
        const QString id = QString("com.marlox.shape%1").arg(++index);
        const QString url = serve(id, zip(testCase.entries));
        // WHEN it is resolved
        const Resolution resolution = resolve(testPackage(id, "1.0", url));
        // THEN the payload root is as expected
        if (!testCase.expectedRoot) {
            ASSERT_FALSE(resolution);
            EXPECT_EQ(resolution.error().kind, Kind::payloadArchiveMissing);
            EXPECT_EQ(resolution.error().description,
                      "Downloaded artifact did not contain any payload files.");
            continue;
        }
        ASSERT_TRUE(resolution) << resolution.error().description.toStdString();
        EXPECT_EQ(resolution->payloadRootURL, versionFolder(id) + "/" + *testCase.expectedRoot);
    }
}

TEST_F(RemoteArtifactServiceTest, ResolvingANewVersionPrunesTheOthers) {
    // GIVEN an earlier version, a stray file and a hidden item in the package's folder
    const QString packageFolder = remoteArtifactsDirectory() + "/com.marlox.effect";
    writeFile(packageFolder + "/1.0/payload.zip", "old");
    writeFile(packageFolder + "/stray.txt", "x");
    writeFile(packageFolder + "/.keep", "x");

    // WHEN version 2.0 is resolved
    ASSERT_TRUE(
        resolve(testPackage("com.marlox.effect", "2.0", serve("com.marlox.effect", payloadZip()))));

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
        {testPackage("com.marlox.a", "1.0", std::nullopt), Kind::remoteURLMissing,
         "Remote download URL is missing for Name of com.marlox.a."},
        {testPackage("com.marlox.a", "1.0", " \n\t "), Kind::remoteURLMissing,
         "Remote download URL is missing for Name of com.marlox.a."},
        {testPackage("com.marlox.a", "1.0", " http://exa mple.com/a.zip\n"), Kind::invalidRemoteURL,
         "Remote download URL is invalid: http://exa mple.com/a.zip"},
        {testPackage("..", "1.0", url), Kind::unsafeCacheFolderName, {}},
        {testPackage(".", "1.0", url), Kind::unsafeCacheFolderName, {}},
        {testPackage("", "1.0", url), Kind::unsafeCacheFolderName, {}},
        {testPackage("com/marlox", "1.0", url), Kind::unsafeCacheFolderName, {}},
        {testPackage("com.marlox.a", "..", url), Kind::unsafeCacheFolderName, {}},
        {testPackage("com.marlox.a", "../../../../outside", url), Kind::unsafeCacheFolderName, {}},
        {testPackage("com.marlox.a", QString("1.0") + QChar(u'\0') + "x", url),
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

TEST_F(RemoteArtifactServiceTest, StatusOutsideTwoHundredsOrNoAnswerFailsAndLeavesNoArchive) {
    // 0 stands for a server that is not there.
    for (const int status : {199, 300, 404, 500, 0}) {
        SCOPED_TRACE(status);
        const QString id = QString("com.marlox.status%1").arg(status);
        const QString url =
            status == 0 ? "http://127.0.0.1:1/effect.zip" : serve(id, payloadZip(), status);

        const Resolution resolution = resolve(testPackage(id, "1.0", url));

        ASSERT_FALSE(resolution);
        EXPECT_EQ(QDir(versionFolder(id)).entryList(QDir::Files | QDir::Hidden), QStringList());
        if (status == 0) {
            EXPECT_EQ(resolution.error().kind, Kind::transport);
            EXPECT_FALSE(resolution.error().description.isEmpty());
            continue;
        }
        EXPECT_EQ(resolution.error().kind, Kind::httpStatus);
        EXPECT_EQ(resolution.error().domain(), "RemoteArtifactService");
        EXPECT_EQ(resolution.error().code, status);
        EXPECT_EQ(resolution.error().description,
                  QString("HTTP %1 while downloading artifact.").arg(status));
    }
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
        const QString url = serve(id, zip([&](ZipWriter& writer) {
                                      writer.addFile("Effect.moef/Info.plist", "x");
                                      testCase.entries(writer, outside);
                                  }));

        // WHEN it is resolved
        const Resolution resolution = resolve(testPackage(id, "1.0", url));

        // THEN the tool's reason is the error, and nothing landed anywhere
        ASSERT_FALSE(resolution);
        EXPECT_EQ(resolution.error().kind, Kind::extractionFailed);
        EXPECT_EQ(resolution.error().domain(), "RemoteArtifactService");
        EXPECT_NE(resolution.error().code, 0);
        EXPECT_TRUE(resolution.error().description.startsWith("ditto: Archive entry"))
            << resolution.error().description.toStdString();
        EXPECT_FALSE(anythingNamedUnder(home.path(), "evil"));
        EXPECT_FALSE(QFileInfo::exists(versionFolder(id) + "/expanded"));
    }
}

TEST_F(RemoteArtifactServiceTest, FailedExpansionIsNeverReusedAsComplete) {
    // GIVEN a truncated archive
    const QByteArray archive = payloadZip();
    const QString url = serve("com.marlox.effect", archive.left(archive.size() / 2));
    const PackageManifest effect = testPackage("com.marlox.effect", "1.0", url);

    // WHEN it is resolved twice
    const Resolution first = resolve(effect);
    const Resolution second = resolve(effect);

    // THEN both runs fail in the tool, and no expanded folder is ever left to pass for the payload
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error().kind, Kind::extractionFailed);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().kind, Kind::extractionFailed);
    EXPECT_FALSE(QFileInfo::exists(versionFolder("com.marlox.effect") + "/expanded"));
}

TEST_F(RemoteArtifactServiceTest, ToolFailureCarriesItsExitStatusAndOutput) {
    struct Case {
        // Nothing for a tool that is not there.
        std::optional<QString> script;
        Kind kind;
        int code;
        QString description;
    };
    const QList<Case> cases = {
        {"printf 'out\\n'; printf 'err' >&2; exit 3", Kind::extractionFailed, 3, "out\nerr"},
        {"exit 4", Kind::extractionFailed, 4, "Artifact extraction failed."},
        {"printf '\\377\\376' >&2; exit 5", Kind::extractionFailed, 5,
         "Artifact extraction failed."},
        {std::nullopt, Kind::system, 0, {}},
    };
    int index = 0;
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.script.value_or("no tool").toStdString());
        // GIVEN a stand-in tool that records its arguments and fails
        const QString tool = home.filePath(QString("tools/ditto%1").arg(++index));
        const QString arguments = home.filePath(QString("tools/arguments%1").arg(index));
        if (testCase.script) {
            writeFile(tool, QString("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n%2\n")
                                .arg(arguments, *testCase.script)
                                .toUtf8());
            QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const QString id = QString("com.marlox.tool%1").arg(index);

        // WHEN a package is resolved with it
        const Resolution resolution =
            resolve(testPackage(id, "1.0", serve(id, payloadZip())), tool);

        // THEN the error has the tool's status and output, no expanded folder is left, and the
        // tool got the archive and a folder beside `expanded`
        ASSERT_FALSE(resolution);
        EXPECT_EQ(resolution.error().kind, testCase.kind);
        EXPECT_FALSE(QFileInfo::exists(versionFolder(id) + "/expanded"));
        if (!testCase.script) {
            continue;
        }
        EXPECT_EQ(resolution.error().code, testCase.code);
        EXPECT_EQ(resolution.error().description, testCase.description);
        const QStringList passed =
            QString::fromUtf8(readFile(arguments)).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(passed.size(), 4);
        EXPECT_EQ(passed.mid(0, 3), QStringList({"-x", "-k", versionFolder(id) + "/payload.zip"}));
        EXPECT_EQ(QFileInfo(passed[3]).path(), versionFolder(id));
    }
}

TEST_F(RemoteArtifactServiceTest, PruneRemovesUnlistedPackagesAndVersionsOtherThanTheCatalogs) {
    // GIVEN a cache holding a dropped package, a current one with an old version, and hidden items
    const QString root = remoteArtifactsDirectory();
    for (const char* file :
         {"/com.marlox.dropped/1.0/payload.zip", "/com.marlox.kept/1.0/payload.zip",
          "/com.marlox.kept/2.0/payload.zip", "/com.marlox.kept/.hidden", "/.hidden"}) {
        writeFile(root + file, "x");
    }

    // WHEN the cache is pruned against a catalog that lists only version 2.0 of the kept package
    service.pruneCache({testPackage("com.marlox.kept", "2.0", "https://example.com/kept.zip")})
        .waitForFinished();

    // THEN only that version and the hidden items are left
    EXPECT_FALSE(QFileInfo::exists(root + "/com.marlox.dropped"));
    EXPECT_FALSE(QFileInfo::exists(root + "/com.marlox.kept/1.0"));
    EXPECT_TRUE(QFileInfo::exists(root + "/com.marlox.kept/2.0/payload.zip"));
    EXPECT_TRUE(QFileInfo::exists(root + "/com.marlox.kept/.hidden"));
    EXPECT_TRUE(QFileInfo::exists(root + "/.hidden"));
}

TEST_F(RemoteArtifactServiceTest, PruneLogsOnlyAPackageFolderThatCannotBeListed) {
    const QList<PackageManifest> catalog = {testPackage("com.marlox.kept", "2.0", std::nullopt)};
    // GIVEN no cache folder WHEN pruned THEN nothing is made or logged
    service.pruneCache(catalog).waitForFinished();
    EXPECT_FALSE(QFileInfo::exists(remoteArtifactsDirectory()));
    EXPECT_EQ(loggedMessages(), QStringList());

    // GIVEN a file where the package's folder should be WHEN pruned THEN that is logged
    writeFile(remoteArtifactsDirectory() + "/com.marlox.kept", "not a folder");
    service.pruneCache(catalog).waitForFinished();
    const QStringList messages = loggedMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(
        messages[0].startsWith("Remote artifact version prune failed for com.marlox.kept: "))
        << messages[0].toStdString();
}

} // namespace
