#include "platform/ProcessRunner.h"
#include "support/FileSupport.h"
#include "support/QtPrinters.h"
#include "support/SmallFileSystem.h"
#include "support/ZipEntries.h"

using namespace marlox::platform;
using namespace marlox::testing;

namespace {

// A scratch folder holding an archive, the destination it expands into and a file outside it.
class DittoTest : public ::testing::Test {
protected:
    DittoTest() {
        writeFile(scratch.filePath("outside/untouched.txt"), "keep");
        QDir().mkpath(destination());
    }

    QString archive() const { return scratch.filePath("archive.zip"); }
    QString destination() const { return scratch.filePath("work/destination"); }

    // Entries as writeZip() takes them, with "%S" standing for the scratch folder.
    void writeArchive(QStringList entries) {
        entries.replaceInStrings("%S", scratch.path());
        EXPECT_TRUE(writeZip(archive(), entries));
    }

    ProcessResult run(const QStringList& arguments) const {
        return SystemProcessRunner().run(builtBundlePath() + "/Contents/MacOS/ditto", arguments);
    }
    // Into an empty destination.
    ProcessResult expand() const {
        QDir(destination()).removeRecursively();
        QDir().mkpath(destination());
        return run({"-x", "-k", archive(), destination()});
    }

    // Everything but the destination, which is where the tool may write.
    QStringList treeOutsideDestination() const {
        QStringList paths = treeOf(scratch.path());
        paths.removeIf([](const QString& path) { return path.startsWith("work/destination/"); });
        return paths;
    }

    // The tool failed as it should: an exit status and one line naming the reason.
    static void expectOneLineFailure(const ProcessResult& result, const QString& reason) {
        EXPECT_TRUE(result.launched && !result.crashed);
        EXPECT_NE(result.exitCode, 0);
        const QString message = QString::fromUtf8(result.standardError);
        EXPECT_TRUE(message.endsWith('\n') && message.count('\n') == 1) << message.toStdString();
        EXPECT_TRUE(message.contains(reason)) << message.toStdString();
    }

    QTemporaryDir scratch;
};

TEST_F(DittoTest, ExpandsFoldersFilesLinksAndHiddenItemsKeepingPermissions) {
    // GIVEN an archive with nested folders, an executable, a hidden file, an empty folder and
    // links that stay inside, and no destination folder yet
    {
        ZipWriter zip(archive());
        zip.addDirectory("Plugin.bundle/");
        zip.addDirectory("Plugin.bundle/Contents/");
        zip.addFile("Plugin.bundle/Contents/tool", "#!/bin/sh\n", 0755);
        zip.addFile("Plugin.bundle/Contents/.hidden", "secret", 0600);
        zip.addDirectory("Plugin.bundle/Empty/");
        zip.addSymbolicLink("Plugin.bundle/Current", "Contents");
        zip.addSymbolicLink("Plugin.bundle/Contents/self", "../Contents/tool");
        ASSERT_TRUE(zip.close());
    }

    QDir(destination()).removeRecursively();

    // WHEN it is expanded
    const ProcessResult result = run({"-x", "-k", archive(), destination()});

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

TEST_F(DittoTest, RefusesArchiveEntryOutsideDestinationAndWritesNothing) {
    const std::tuple<const char*, QStringList, const char*> cases[] = {
        {"parent folder", {"../evil"}, "outside the destination"},
        {"parent inside the path", {"a/../../evil"}, "outside the destination"},
        {"absolute path", {"%S/outside/evil"}, "absolute path"},
        {"link to an absolute target", {"link -> %S/outside"}, "pointing outside"},
        {"link climbing out", {"deep/link -> ../../outside"}, "pointing outside"},
        {"entry through an earlier link",
         {"link -> folder", "link/evil"},
         "goes through the symbolic link \"link\""},
        // "here/.." is the destination by its text, but its parent once "here" is a link to ".".
        {"link through a later link",
         {"escape -> here/../outside", "here -> ."},
         "through the symbolic link \"here\""},
    };
    for (const auto& [name, entries, reason] : cases) {
        SCOPED_TRACE(name);
        // GIVEN an archive whose harmless first entry is followed by one that would leave the
        // destination
        writeArchive(QStringList{"harmless.txt"} + entries);
        const QStringList outsideBefore = treeOutsideDestination();

        // WHEN it is expanded
        const ProcessResult result = expand();

        // THEN the tool fails with its reason, and nothing was written anywhere, inside or out
        expectOneLineFailure(result, reason);
        EXPECT_EQ(treeOutsideDestination(), outsideBefore);
        EXPECT_EQ(treeOf(destination()), QStringList());
    }
}

TEST_F(DittoTest, FailsOnAMissingOrDamagedArchiveWithOneLineAndWritesNothingOutside) {
    // A good archive of stored data, in which a changed byte of the contents fails its checksum.
    {
        ZipWriter zip(archive(), ZipWriter::Compression::store);
        zip.addFile("payload/first.txt", QByteArray(4096, 'a'));
        zip.addFile("payload/second.txt", QByteArray(4096, 'b'));
        ASSERT_TRUE(zip.close());
    }
    const QByteArray good = readFile(archive());
    QByteArray corrupted = good;
    corrupted[corrupted.indexOf(QByteArray(64, 'b')) + 10] = 'c';
    const std::tuple<const char*, std::optional<QByteArray>, const char*> cases[] = {
        {"missing", std::nullopt, "Cannot read archive"},
        {"truncated", good.left(good.size() / 2), "ditto: "},
        {"cut before the central directory", good.left(good.indexOf("PK\x01\x02")), "ditto: "},
        {"cut inside the end record", good.chopped(10), "ditto: "},
        {"empty", QByteArray(), "ditto: "},
        {"not an archive", QByteArray(9000, 'z'), "ditto: "},
        {"corrupted data", corrupted, "ditto: "},
    };
    for (const auto& [name, bytes, reason] : cases) {
        SCOPED_TRACE(name);
        // GIVEN a damaged copy of a good archive, or none at all
        setContents(archive(), bytes);
        const QStringList outsideBefore = treeOutsideDestination();

        // WHEN it is expanded THEN the tool fails with one line and nothing appears outside
        expectOneLineFailure(expand(), reason);
        EXPECT_EQ(treeOutsideDestination(), outsideBefore);
    }
}

TEST_F(DittoTest, AnExpansionTheDiskHasNoRoomForFailsNamingTheEntryAndTheReason) {
    // GIVEN an archive of two stored files that together take more than a small disk holds
    const QByteArray resource(160 * 1024, 'r');
    const QByteArray executable(160 * 1024, 'x');
    {
        ZipWriter zip(archive(), ZipWriter::Compression::store);
        zip.addFile("Glow.pluginkit/Contents/Resources/Glow.data", resource);
        zip.addFile("Glow.pluginkit/Contents/MacOS/Glow", executable);
        ASSERT_TRUE(zip.close());
    }
    const std::tuple<const char*, std::optional<qint64>, const char*> cases[] = {
        {"empty disk", std::nullopt, "Glow.pluginkit/Contents/MacOS/Glow"},
        {"disk filled but for a few KiB", 8 * 1024, "Glow.pluginkit/Contents/Resources/Glow.data"},
    };
    for (const auto& [name, leftBytes, failingEntry] : cases) {
        SCOPED_TRACE(name);
        SmallFileSystem disk(destination(), 256 * 1024);
        MARLOX_SKIP_WITHOUT(disk);
        if (leftBytes) {
            disk.fill(*leftBytes);
        }

        // WHEN it is expanded onto that disk THEN the tool fails with one line naming the entry
        // and the system's reason
        expectOneLineFailure(
            run({"-x", "-k", archive(), destination()}),
            QString("Cannot extract \"%1\": No space left on device").arg(failingEntry));
    }

    // AND into room enough the same archive expands with the right bytes
    const QString roomy = scratch.filePath("roomy");
    const ProcessResult result = run({"-x", "-k", archive(), roomy});
    ASSERT_TRUE(result.succeeded()) << result.standardError.toStdString();
    EXPECT_EQ(readFile(roomy + "/Glow.pluginkit/Contents/Resources/Glow.data"), resource);
    EXPECT_EQ(readFile(roomy + "/Glow.pluginkit/Contents/MacOS/Glow"), executable);
}

TEST_F(DittoTest, RejectsOtherCommandLines) {
    for (const QStringList& arguments :
         {QStringList{}, QStringList{"-x", archive(), destination()},
          QStringList{"-c", "-k", archive(), destination()},
          QStringList{"-x", "-k", archive(), destination(), "extra"}}) {
        const ProcessResult result = run(arguments);
        EXPECT_NE(result.exitCode, 0) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.standardError.startsWith("usage: ditto -x -k"));
    }
}

} // namespace
