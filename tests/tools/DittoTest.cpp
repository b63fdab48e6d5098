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
#include <optional>

using marlox::platform::ProcessResult;
using marlox::platform::SystemProcessRunner;
using marlox::testing::readFile;
using marlox::testing::writeFile;
using marlox::testing::ZipWriter;

namespace {

using Entries = std::function<void(ZipWriter&, const QString& scratch)>;

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

// A scratch folder holding an archive, the destination it expands into and a file outside it.
class Workspace {
public:
    Workspace() {
        QDir().mkpath(destination());
        writeFile(scratch.filePath("outside/untouched.txt"), "keep");
    }

    QString path() const { return scratch.path(); }
    QString archive() const { return scratch.filePath("archive.zip"); }
    QString destination() const { return scratch.filePath("work/destination"); }

    void writeArchive(const Entries& entries,
                      ZipWriter::Compression compression = ZipWriter::Compression::deflate) {
        ZipWriter zip(archive(), compression);
        entries(zip, scratch.path());
        EXPECT_TRUE(zip.close());
    }

    ProcessResult run(const QStringList& arguments) const {
        return SystemProcessRunner().run(
            marlox::testing::builtBundlePath() + "/Contents/MacOS/ditto", arguments);
    }
    ProcessResult expand() const { return run({"-x", "-k", archive(), destination()}); }

    // Everything but the destination, which is where the tool may write.
    QStringList treeOutsideDestination() const {
        QStringList paths = treeOf(scratch.path());
        paths.removeIf([](const QString& path) { return path.startsWith("work/destination/"); });
        return paths;
    }

private:
    QTemporaryDir scratch;
};

void expectOneLineFailure(const ProcessResult& result, const QString& reasonFragment) {
    EXPECT_TRUE(result.launched);
    EXPECT_FALSE(result.crashed);
    EXPECT_NE(result.exitCode, 0);
    const QString message = QString::fromUtf8(result.standardError);
    EXPECT_TRUE(message.endsWith('\n')) << message.toStdString();
    EXPECT_EQ(message.count('\n'), 1) << message.toStdString();
    EXPECT_TRUE(message.contains(reasonFragment)) << message.toStdString();
}

TEST(DittoTest, ExpandsFoldersFilesLinksAndHiddenItemsKeepingPermissions) {
    // GIVEN an archive with nested folders, an executable, a hidden file, an empty folder and
    // links that stay inside, and no destination folder yet
    Workspace workspace;
    workspace.writeArchive([](ZipWriter& zip, const QString&) {
        zip.addDirectory("Plugin.bundle/");
        zip.addDirectory("Plugin.bundle/Contents/");
        zip.addFile("Plugin.bundle/Contents/tool", "#!/bin/sh\n", 0755);
        zip.addFile("Plugin.bundle/Contents/.hidden", "secret", 0600);
        zip.addDirectory("Plugin.bundle/Empty/");
        zip.addSymbolicLink("Plugin.bundle/Current", "Contents");
        zip.addSymbolicLink("Plugin.bundle/Contents/self", "../Contents/tool");
    });
    QDir(workspace.destination()).removeRecursively();

    // WHEN it is expanded
    const ProcessResult result = workspace.expand();

    // THEN everything is there as archived
    ASSERT_TRUE(result.succeeded()) << result.standardError.toStdString();
    EXPECT_TRUE(result.standardError.isEmpty());
    const QString root = workspace.destination() + "/Plugin.bundle";
    EXPECT_EQ(readFile(root + "/Contents/tool"), "#!/bin/sh\n");
    EXPECT_TRUE(QFileInfo(root + "/Contents/tool").isExecutable());
    EXPECT_EQ(QFileInfo(root + "/Contents/.hidden").permissions() & 0x0777, 0x0600);
    EXPECT_EQ(readFile(root + "/Contents/.hidden"), "secret");
    EXPECT_TRUE(QFileInfo(root + "/Empty").isDir());
    EXPECT_EQ(QFileInfo(root + "/Current").symLinkTarget(), root + "/Contents");
    EXPECT_EQ(QFile::symLinkTarget(root + "/Contents/self"), root + "/Contents/tool");
}

TEST(DittoTest, RefusesArchiveEntryOutsideDestinationAndWritesNothing) {
    const std::tuple<const char*, Entries, const char*> cases[] = {
        {"parent folder", [](ZipWriter& zip, const QString&) { zip.addFile("../evil", "x"); },
         "outside the destination"},
        {"parent inside the path",
         [](ZipWriter& zip, const QString&) { zip.addFile("a/../../evil", "x"); },
         "outside the destination"},
        {"absolute path",
         [](ZipWriter& zip, const QString& scratch) {
             zip.addFile(scratch + "/outside/evil", "x");
         },
         "absolute path"},
        {"link to an absolute target",
         [](ZipWriter& zip, const QString& scratch) {
             zip.addSymbolicLink("link", scratch + "/outside");
         },
         "pointing outside"},
        {"link climbing out",
         [](ZipWriter& zip, const QString&) { zip.addSymbolicLink("deep/link", "../../outside"); },
         "pointing outside"},
        {"entry through an earlier link",
         [](ZipWriter& zip, const QString&) {
             zip.addSymbolicLink("link", "folder");
             zip.addFile("link/evil", "x");
         },
         "goes through the symbolic link \"link\""},
        {"link through a later link",
         [](ZipWriter& zip, const QString&) {
             // "here/.." is the destination by its text, but its parent once "here" is a link
             // to ".".
             zip.addSymbolicLink("escape", "here/../outside");
             zip.addSymbolicLink("here", ".");
         },
         "through the symbolic link \"here\""},
    };
    for (const auto& [name, entries, reason] : cases) {
        SCOPED_TRACE(name);
        // GIVEN an archive whose harmless first entry is followed by one that would leave the
        // destination
        Workspace workspace;
        workspace.writeArchive([&](ZipWriter& zip, const QString& scratch) {
            zip.addFile("harmless.txt", "fine");
            entries(zip, scratch);
        });
        const QStringList outsideBefore = workspace.treeOutsideDestination();

        // WHEN it is expanded
        const ProcessResult result = workspace.expand();

        // THEN the tool fails with its reason, and nothing was written anywhere, inside or out
        expectOneLineFailure(result, reason);
        EXPECT_EQ(workspace.treeOutsideDestination(), outsideBefore);
        EXPECT_EQ(treeOf(workspace.destination()), QStringList());
    }
}

TEST(DittoTest, FailsOnAMissingOrDamagedArchiveWithOneLineAndWritesNothingOutside) {
    using Damage = std::function<std::optional<QByteArray>(const QByteArray& good)>;
    const std::tuple<const char*, Damage, const char*> cases[] = {
        {"missing", [](const QByteArray&) { return std::nullopt; }, "Cannot read archive"},
        {"truncated", [](const QByteArray& good) { return good.left(good.size() / 2); }, "ditto: "},
        {"cut before the central directory",
         [](const QByteArray& good) { return good.left(good.indexOf("PK\x01\x02")); }, "ditto: "},
        {"cut inside the end record", [](const QByteArray& good) { return good.chopped(10); },
         "ditto: "},
        {"empty", [](const QByteArray&) { return QByteArray(); }, "ditto: "},
        {"not an archive", [](const QByteArray&) { return QByteArray(9000, 'z'); }, "ditto: "},
        {"corrupted data",
         [](const QByteArray& good) {
             // Stored data: a changed byte of the contents fails its checksum.
             QByteArray bad = good;
             bad[bad.indexOf(QByteArray(64, 'b')) + 10] = 'c';
             return bad;
         },
         "ditto: "},
    };
    for (const auto& [name, damage, reason] : cases) {
        SCOPED_TRACE(name);
        // GIVEN a damaged copy of a good archive, or none at all
        Workspace workspace;
        workspace.writeArchive(
            [](ZipWriter& zip, const QString&) {
                zip.addFile("payload/first.txt", QByteArray(4096, 'a'));
                zip.addFile("payload/second.txt", QByteArray(4096, 'b'));
            },
            ZipWriter::Compression::store);
        const std::optional<QByteArray> damaged = damage(readFile(workspace.archive()));
        QFile::remove(workspace.archive());
        if (damaged) {
            writeFile(workspace.archive(), *damaged);
        }
        const QStringList outsideBefore = workspace.treeOutsideDestination();

        // WHEN it is expanded
        const ProcessResult result = workspace.expand();

        // THEN the tool fails with one line and nothing appears outside the destination
        expectOneLineFailure(result, reason);
        EXPECT_EQ(workspace.treeOutsideDestination(), outsideBefore);
    }
}

TEST(DittoTest, RejectsOtherCommandLines) {
    const Workspace workspace;
    const QString archive = workspace.archive();
    const QString destination = workspace.destination();
    for (const QStringList& arguments : {QStringList{}, QStringList{"-x", archive, destination},
                                         QStringList{"-c", "-k", archive, destination},
                                         QStringList{"-x", "-k", archive, destination, "extra"}}) {
        const ProcessResult result = workspace.run(arguments);
        EXPECT_NE(result.exitCode, 0) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.standardError.startsWith("usage: ditto -x -k"));
    }
}

} // namespace
