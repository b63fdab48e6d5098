#include "platform/ProcessRunner.h"
#include "support/QtPrinters.h"
#include "support/ScratchHome.h"
#include "support/ZipWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using marlox::platform::ProcessResult;
using marlox::platform::SystemProcessRunner;
using marlox::testing::readFile;
using marlox::testing::ZipWriter;

namespace {

QString dittoPath() {
    return marlox::testing::builtBundlePath() + "/Contents/MacOS/ditto";
}

// Every path under the folder, relative to it, links included but not followed.
QStringList treeOf(const QString& folder) {
    QStringList paths;
    QDirIterator iterator(folder,
                          QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                          QDirIterator::Subdirectories);
    while (iterator.hasNext()) {
        paths.append(QDir(folder).relativeFilePath(iterator.next()));
    }
    paths.sort();
    return paths;
}

class DittoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.isValid());
        QDir().mkpath(destination());
        marlox::testing::writeFile(scratch.filePath("outside/untouched.txt"), "keep");
    }

    QString archivePath() const { return scratch.filePath("archive.zip"); }
    QString destination() const { return scratch.filePath("work/destination"); }

    ProcessResult expand() {
        return SystemProcessRunner().run(dittoPath(), {"-x", "-k", archivePath(), destination()});
    }

    // Everything in the scratch folder except the destination, which is where the tool may write.
    QStringList treeOutsideDestination() {
        QStringList paths = treeOf(scratch.path());
        paths.removeIf([](const QString& path) { return path.startsWith("work/destination/"); });
        return paths;
    }

    QTemporaryDir scratch;
};

void expectOneLineFailure(const ProcessResult& result, const char* reasonFragment) {
    EXPECT_TRUE(result.launched);
    EXPECT_FALSE(result.crashed);
    EXPECT_NE(result.exitCode, 0);
    const QString message = QString::fromUtf8(result.standardError);
    EXPECT_TRUE(message.endsWith('\n')) << message.toStdString();
    EXPECT_EQ(message.count('\n'), 1) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8(reasonFragment))) << message.toStdString();
}

TEST_F(DittoTest, ExpandsFoldersFilesLinksAndHiddenItemsKeepingPermissions) {
    // GIVEN an archive with nested folders, an executable, a hidden file, an empty folder and a
    // link that stays inside
    ZipWriter zip(archivePath());
    zip.addDirectory("Plugin.bundle/");
    zip.addDirectory("Plugin.bundle/Contents/");
    zip.addFile("Plugin.bundle/Contents/tool", "#!/bin/sh\n", 0755);
    zip.addFile("Plugin.bundle/Contents/.hidden", "secret", 0600);
    zip.addDirectory("Plugin.bundle/Empty/");
    zip.addSymbolicLink("Plugin.bundle/Current", "Contents");
    zip.addSymbolicLink("Plugin.bundle/Contents/self", "../Contents/tool");
    ASSERT_TRUE(zip.close());

    // WHEN it is expanded
    const ProcessResult result = expand();

    // THEN everything is there as archived
    ASSERT_TRUE(result.succeeded()) << result.standardError.toStdString();
    EXPECT_TRUE(result.standardError.isEmpty());
    const QString root = destination() + "/Plugin.bundle";
    EXPECT_EQ(readFile(root + "/Contents/tool"), "#!/bin/sh\n");
    EXPECT_TRUE(QFileInfo(root + "/Contents/tool").isExecutable());
    EXPECT_EQ(QFileInfo(root + "/Contents/.hidden").permissions() & 0x0777, 0x0600);
    EXPECT_EQ(readFile(root + "/Contents/.hidden"), "secret");
    EXPECT_TRUE(QFileInfo(root + "/Empty").isDir());
    EXPECT_EQ(QFileInfo(root + "/Current").symLinkTarget(), root + "/Contents");
    EXPECT_EQ(QFile::symLinkTarget(root + "/Contents/self"), root + "/Contents/tool");
}

TEST_F(DittoTest, CreatesAMissingDestination) {
    ZipWriter zip(archivePath());
    zip.addFile("a.txt", "a");
    ASSERT_TRUE(zip.close());
    QDir(destination()).removeRecursively();

    const ProcessResult result = expand();

    ASSERT_TRUE(result.succeeded()) << result.standardError.toStdString();
    EXPECT_EQ(readFile(destination() + "/a.txt"), "a");
}

struct RefusedArchive {
    const char* name;
    std::function<void(ZipWriter&, const QString& scratch)> entries;
    const char* reason;
};

void PrintTo(const RefusedArchive& archive, std::ostream* out) {
    *out << archive.name;
}

class DittoRefusalTest : public DittoTest, public ::testing::WithParamInterface<RefusedArchive> {};

TEST_P(DittoRefusalTest, RefusesArchiveEntryOutsideDestinationAndWritesNothing) {
    // GIVEN an archive whose harmless first entry is followed by one that would leave the
    // destination
    ZipWriter zip(archivePath());
    zip.addFile("harmless.txt", "fine");
    GetParam().entries(zip, scratch.path());
    ASSERT_TRUE(zip.close());
    const QStringList outsideBefore = treeOutsideDestination();

    // WHEN it is expanded
    const ProcessResult result = expand();

    // THEN the tool fails with its reason, and nothing was written anywhere, inside or out
    expectOneLineFailure(result, GetParam().reason);
    EXPECT_EQ(treeOutsideDestination(), outsideBefore);
    EXPECT_EQ(treeOf(destination()), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Archives, DittoRefusalTest,
    ::testing::Values(
        RefusedArchive{"ParentFolder",
                       [](ZipWriter& zip, const QString&) { zip.addFile("../evil", "x"); },
                       "outside the destination"},
        RefusedArchive{"ParentInsidePath",
                       [](ZipWriter& zip, const QString&) { zip.addFile("a/../../evil", "x"); },
                       "outside the destination"},
        RefusedArchive{"AbsolutePath",
                       [](ZipWriter& zip, const QString& scratch) {
                           zip.addFile(scratch + "/outside/evil", "x");
                       },
                       "absolute path"},
        RefusedArchive{"LinkToAbsoluteTarget",
                       [](ZipWriter& zip, const QString& scratch) {
                           zip.addSymbolicLink("link", scratch + "/outside");
                       },
                       "pointing outside"},
        RefusedArchive{"LinkClimbingOut",
                       [](ZipWriter& zip, const QString&) {
                           zip.addSymbolicLink("deep/link", "../../outside");
                       },
                       "pointing outside"},
        RefusedArchive{"EntryThroughEarlierLink",
                       [](ZipWriter& zip, const QString&) {
                           zip.addSymbolicLink("link", "folder");
                           zip.addFile("link/evil", "x");
                       },
                       "goes through the symbolic link \"link\""},
        RefusedArchive{"LinkThroughLaterLink",
                       [](ZipWriter& zip, const QString&) {
                           // "here/.." is the destination by its text, but its parent once "here"
                           // is a link to ".".
                           zip.addSymbolicLink("escape", "here/../outside");
                           zip.addSymbolicLink("here", ".");
                       },
                       "through the symbolic link \"here\""}),
    [](const auto& info) { return std::string(info.param.name); });

struct DamagedArchive {
    const char* name;
    std::function<QByteArray(const QByteArray& goodArchive)> damage;
};

void PrintTo(const DamagedArchive& archive, std::ostream* out) {
    *out << archive.name;
}

class DittoDamageTest : public DittoTest, public ::testing::WithParamInterface<DamagedArchive> {};

TEST_P(DittoDamageTest, FailsOnDamagedArchiveWithOneLineAndWritesNothingOutside) {
    // GIVEN a damaged copy of a good archive
    {
        ZipWriter zip(archivePath(), ZipWriter::Compression::store);
        zip.addFile("payload/first.txt", QByteArray(4096, 'a'));
        zip.addFile("payload/second.txt", QByteArray(4096, 'b'));
        ASSERT_TRUE(zip.close());
    }
    const QByteArray damaged = GetParam().damage(readFile(archivePath()));
    QFile::remove(archivePath());
    marlox::testing::writeFile(archivePath(), damaged);
    const QStringList outsideBefore = treeOutsideDestination();

    // WHEN it is expanded
    const ProcessResult result = expand();

    // THEN the tool fails with one line and nothing appears outside the destination
    expectOneLineFailure(result, "ditto: ");
    EXPECT_EQ(treeOutsideDestination(), outsideBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Archives, DittoDamageTest,
    ::testing::Values(
        DamagedArchive{"Truncated",
                       [](const QByteArray& good) { return good.left(good.size() / 2); }},
        DamagedArchive{
            "CutBeforeCentralDirectory",
            [](const QByteArray& good) { return good.left(good.indexOf("PK\x01\x02")); }},
        DamagedArchive{"CutInsideEndRecord",
                       [](const QByteArray& good) { return good.chopped(10); }},
        DamagedArchive{"Empty", [](const QByteArray&) { return QByteArray(); }},
        DamagedArchive{"NotAnArchive", [](const QByteArray&) { return QByteArray(9000, 'z'); }},
        DamagedArchive{"CorruptedData",
                       [](const QByteArray& good) {
                           // Stored data: a changed byte of the contents fails its checksum.
                           QByteArray bad = good;
                           bad[bad.indexOf(QByteArray(64, 'b')) + 10] = 'c';
                           return bad;
                       }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DittoTest, FailsOnAMissingArchive) {
    const ProcessResult result = expand();
    expectOneLineFailure(result, "Cannot read archive");
}

TEST_F(DittoTest, RejectsOtherCommandLines) {
    for (const QStringList& arguments :
         {QStringList{}, QStringList{"-x", archivePath(), destination()},
          QStringList{"-c", "-k", archivePath(), destination()},
          QStringList{"-x", "-k", archivePath(), destination(), "extra"}}) {
        const ProcessResult result = SystemProcessRunner().run(dittoPath(), arguments);
        EXPECT_NE(result.exitCode, 0) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.standardError.startsWith("usage: ditto -x -k"));
    }
}

} // namespace
