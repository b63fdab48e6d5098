#include "InstallTestSupport.h"
#include "catalog/OperationsLog.h"
#include "install/FileOperations.h"
#include "platform/Quarantine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/xattr.h>

using namespace marlox::install;
using namespace marlox::testing;
using marlox::catalog::InstalledPackage;
using marlox::catalog::PackageType;

namespace {

QByteArray quarantineName() {
    return marlox::platform::quarantineAttributeSystemName().toUtf8();
}

void setQuarantine(const QString& path) {
    ASSERT_EQ(::setxattr(QFile::encodeName(path).constData(), quarantineName().constData(),
                         "0083;5f1b2c3d;Safari;", 21, 0),
              0)
        << path.toStdString();
}

bool hasQuarantine(const QString& path) {
    return ::getxattr(QFile::encodeName(path).constData(), quarantineName().constData(), nullptr,
                      0) >= 0;
}

// A plug-in bundle with what real ones carry: an executable, a read-only resource, a hidden
// file, a relative link and a read-only folder.
void makeRichBundle(const QString& path, const QString& identifier) {
    makeBundle(path, identifier);
    writeFile(path + "/Contents/Resources/.hidden-settings", "hidden");
    writeFile(path + "/Contents/Resources/readonly.txt", "read only");
    QFile::setPermissions(path + "/Contents/Resources/readonly.txt",
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    QFile::link("Resources/readonly.txt", path + "/Contents/current-resource");
    writeFile(path + "/Contents/Locked/inside.txt", "in a read-only folder");
    ::chmod(QFile::encodeName(path + "/Contents/Locked").constData(), 0555);
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

TEST_F(EngineTest, DirectoryPayloadBecomesThePackageFolderAndItsApplicationIsRegisteredFirst) {
    // GIVEN a payload folder holding a plug-in bundle with links, modes and hidden files, and an
    // application that carries a plug-in of its own; the registry lists what it is given at once
    const QString payload = payloadRoot + "/Payloads/BlurBundle";
    makeRichBundle(payload + "/Blur.pluginkit", "studio.marlox.blur");
    makeBundle(payload + "/Suite.app", "studio.marlox.suite");
    makeBundle(payload + "/Suite.app/Contents/PlugIns/Curves.pluginkit", "studio.marlox.curves");
    pluginkit.reply("-m", "+    listed\t" + installRoot.toUtf8() + "/blur/Blur.pluginkit\n");

    // WHEN the package blur is installed
    const InstallResult result = installed(package("blur", "Payloads/BlurBundle"));

    // THEN it lands in the install root's folder blur as an exact copy
    EXPECT_EQ(result, (InstallResult{installRoot + "/blur", {}}));
    EXPECT_EQ(treeSnapshot(result.installPath), treeSnapshot(payload));
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());
    // and the application is registered with its plug-in, then the standalone plug-in, each once
    EXPECT_EQ(lsregister.calls().value(0), "-f -R " + result.installPath + "/Suite.app");
    EXPECT_EQ(
        pluginkit.callsWith("-a"),
        (QStringList{"-a " + result.installPath + "/Suite.app/Contents/PlugIns/Curves.pluginkit",
                     "-a " + result.installPath + "/Blur.pluginkit"}));
}

TEST_F(EngineTest, RefusedInstallGivesItsReasonAndTouchesNothing) {
    // GIVEN another package installed, a folder beside the install root, one beside the payload
    // root, and a link out of the payload root
    writeFile(installRoot + "/glow/glow.txt", "another package");
    writeFile(home.filePath("home/Applications/x/keep.txt"), "sibling of the install root");
    writeFile(home.filePath("secret/Blur.pluginkit/Contents/Info.plist"), "outside the payloads");
    makeBundle(payloadRoot + "/Payloads/Blur/Blur.pluginkit", "studio.marlox.blur");
    writeFile(payloadRoot + "/Payloads/Blur.tar", "not an archive we take");
    QDir().mkpath(payloadRoot + "/Links");
    QFile::link(home.filePath("secret"), payloadRoot + "/Links/secret");
    const QStringList before = treeSnapshot(home.filePath("home/Applications"));
    struct Case {
        QString id;
        QString payloadPath;
        QString message;
        bool finalCutProRuns = false;
    };
    const QString leaves = "Embedded payload path leaves its folder: ";
    const QString unsafeID = "Package id cannot be used as a folder name: ";
    for (const Case& test : {
             Case{"blur", "Payloads/Blur",
                  "Close host apps before continuing. Running: Final Cut Pro", true},
             Case{"../x", "Payloads/Blur", unsafeID + "../x."},
             Case{"a/b", "Payloads/Blur", unsafeID + "a/b."},
             Case{"..", "Payloads/Blur", unsafeID + "..."},
             Case{"", "Payloads/Blur", unsafeID + "."},
             Case{"blur", "../secret/Blur.pluginkit", leaves + "../secret/Blur.pluginkit."},
             Case{"blur", "Payloads/./Blur", leaves + "Payloads/./Blur."},
             Case{"blur", "Links/secret", leaves + "Links/secret."},
             Case{"blur", "   ", "Embedded payload path is missing for Package blur."},
             Case{
                 "blur", "Payloads/Nope.pluginkit",
                 "Embedded payload was not found at Payloads/Nope.pluginkit. Reinstall the app and "
                 "try again."},
             Case{"blur", " Payloads/Blur.tar\n",
                  "Embedded payload is not supported: " + payloadRoot +
                      "/Payloads/Blur.tar. Expected a directory or .zip archive."},
         }) {
        SCOPED_TRACE(test.id.toStdString() + " " + test.payloadPath.toStdString());
        processes->byIdentifier.clear();
        if (test.finalCutProRuns) {
            processes->byIdentifier["com.apple.FinalCut"] = {{4242, false}};
        }
        // WHEN it is installed, THEN it fails with its reason
        const auto result = install(package(test.id, test.payloadPath));
        ASSERT_FALSE(result);
        EXPECT_EQ(describe(result.error()), test.message);
    }
    // and nothing was written or registered
    EXPECT_EQ(treeSnapshot(home.filePath("home/Applications")), before);
    EXPECT_TRUE(pluginkit.calls().isEmpty());
}

TEST_F(EngineTest, UpdateReplacesTheFolderWholeAndAFailedOneLeavesThePreviousByteForByte) {
    // GIVEN version 1 installed, with a file version 2 no longer has
    makeRichBundle(payloadRoot + "/v1/Blur.pluginkit", "studio.marlox.blur");
    writeFile(payloadRoot + "/v1/only-in-version-1.txt", "old");
    makeRichBundle(payloadRoot + "/v2/Blur.pluginkit", "studio.marlox.blur");
    writeFile(payloadRoot + "/v2/Blur.pluginkit/Contents/Resources/version.txt", "2");
    const auto first = installed(package("blur", "v1"));

    // WHEN version 2 is installed, THEN the folder holds version 2 alone
    installed(package("blur", "v2"), recordOf(package("blur", "v1"), first));
    const QStringList before = treeSnapshot(installRoot + "/blur");
    EXPECT_EQ(before, treeSnapshot(payloadRoot + "/v2"));

    // WHEN version 3 fails while being copied (its last item is a pipe), when its templates
    // cannot be placed, or when the registry refuses it
    makeBundle(payloadRoot + "/v3/Blur.pluginkit", "studio.marlox.blur", "3.0");
    writeFile(payloadRoot + "/v3/Blur.pluginkit/Contents/Resources/big.bin",
              QByteArray(1 << 20, 'x'));
    ASSERT_EQ(::mkfifo(QFile::encodeName(payloadRoot + "/v3/zz-pipe").constData(), 0644), 0);
    makeBundle(payloadRoot + "/v3-whole/Blur.pluginkit", "studio.marlox.blur", "3.0");
    struct Case {
        QString payload;
        QString templates;
        QString cause;
    };
    for (const Case& test :
         {Case{"v3", "", payloadRoot + "/v3/zz-pipe"},
          Case{"v3-whole", "Templates/Missing", "not found at Templates/Missing"},
          Case{"v3-whole", "", "registry is locked"}}) {
        SCOPED_TRACE(test.cause.toStdString());
        if (test.cause == "registry is locked") {
            pluginkit.fail("-a", 1, "registry is locked");
        }
        auto version3 = package("blur", test.payload);
        if (!test.templates.isEmpty()) {
            version3.motionTemplatePayloadPath = test.templates;
        }
        const auto result = install(version3);

        // THEN the install fails naming its cause, and version 2 is back exactly as it was
        ASSERT_FALSE(result);
        EXPECT_TRUE(describe(result.error()).contains(test.cause))
            << describe(result.error()).toStdString();
        EXPECT_EQ(treeSnapshot(installRoot + "/blur"), before);
        EXPECT_TRUE(leftoverWorkFolders().isEmpty());
    }
}

TEST_F(EngineTest, ClearsTheQuarantineOfWhatItPlacedOnlyAndFailsOnABrokenLink) {
    // GIVEN a payload whose items carry the quarantine attribute, with a link to a quarantined
    // file outside it
    const QString bundle = payloadRoot + "/Payloads/Blur/Blur.pluginkit";
    makeBundle(bundle, "studio.marlox.blur");
    const QString outside = home.filePath("outside/system-file");
    writeFile(outside, "not ours");
    QFile::link(outside, bundle + "/Contents/system-link");
    for (const QString& item :
         {bundle, bundle + "/Contents/Info.plist", bundle + "/Contents/MacOS/Blur", outside}) {
        setQuarantine(item);
    }

    // WHEN it is installed
    const InstallResult result = installed(package("blur", "Payloads/Blur"));

    // THEN no installed item keeps the attribute; the payload and the outside file keep theirs
    QStringList items{result.installPath};
    items.append(enumerateTree(result.installPath, true));
    ASSERT_GT(items.size(), 5);
    for (const QString& item : items) {
        // The link's own attribute is its target's, which is not ours.
        EXPECT_TRUE(QFileInfo(item).isSymLink() || !hasQuarantine(item)) << item.toStdString();
    }
    EXPECT_TRUE(hasQuarantine(bundle + "/Contents/Info.plist"));
    EXPECT_TRUE(hasQuarantine(outside));

    // WHEN a payload holding a broken link is installed, THEN it fails with the system's text
    QFile::link("missing-target", bundle + "/Contents/dangling");
    const auto broken = install(package("broken", "Payloads/Blur"));
    ASSERT_FALSE(broken);
    EXPECT_EQ(describe(broken.error()),
              "Failed to clear quarantine attributes for " + installRoot +
                  "/broken/Blur.pluginkit/Contents/dangling: No such file or directory");
}

TEST_F(EngineTest, ExpandsArchivesInsideADirectoryPayloadInPathOrderButNotArchivesInArchives) {
    // GIVEN a folder payload with an archive at its top, one in a subfolder, and an archive that
    // holds another archive
    writeZip(payloadRoot + "/Mixed/Top.zip", {{"Top.pluginkit/Contents/Info.plist", "top"},
                                              {"Nested.zip", "an archive inside an archive"}});
    writeZip(payloadRoot + "/Mixed/Sub/Inner.zip", {{"Inner.txt", "inner"}});
    writeFile(payloadRoot + "/Mixed/Sub/Inner.txt", "replaced by the archive's copy");

    const InstallResult result = installed(package("mixed", "Mixed"));

    EXPECT_EQ(entriesOf(result.installPath), (QStringList{"Nested.zip", "Sub", "Top.pluginkit"}));
    EXPECT_EQ(entriesOf(result.installPath + "/Sub"), QStringList{"Inner.txt"});
    EXPECT_EQ(readFile(result.installPath + "/Sub/Inner.txt"), "inner");
    EXPECT_EQ(readFile(result.installPath + "/Top.pluginkit/Contents/Info.plist"), "top");
    EXPECT_EQ(readFile(result.installPath + "/Nested.zip"), "an archive inside an archive");
}

TEST_F(EngineTest, ZipPayloadOfAnyCaseIsExpandedWithoutForksAndAToolFailureIsReported) {
    // GIVEN a zipped plug-in, its extension in capitals, with the resource forks a Mac's archiver
    // adds, and an archive tool that fails
    writeZip(payloadRoot + "/Payloads/Grid.ZIP",
             {{"Grid.pluginkit/Contents/MacOS/Grid", "binary"},
              {"__MACOSX/Grid.pluginkit/Contents/._Info.plist", "fork"}});
    const StubTool failingDitto(home.filePath("tools"), "ditto");
    failingDitto.fail("-x", 9, "ditto: archive is damaged\n");
    ditto = failingDitto.path();

    // WHEN it is installed, THEN the tool's status and output are the error, the archive stays
    const auto failed = install(package("grid", "Payloads/Grid.ZIP"));
    ASSERT_FALSE(failed);
    const auto* error = std::get_if<ToolError>(&failed.error());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, "InstallEngine");
    EXPECT_EQ(error->code, 9);
    EXPECT_EQ(error->description, "ditto: archive is damaged\n");
    EXPECT_TRUE(QFileInfo::exists(installRoot + "/grid/Grid.ZIP"));
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());
    // and a tool that fails silently is named instead
    failingDitto.fail("-x", 2, "");
    EXPECT_EQ(describe(install(package("grid", "Payloads/Grid.ZIP")).error()),
              "Tool failed: " + failingDitto.path());

    // WHEN the real tool expands it, THEN the folder holds the bundle only: no archive, no forks
    ditto = marlox::platform::dittoToolPath();
    const InstallResult result = installed(package("grid", "Payloads/Grid.ZIP"));
    EXPECT_EQ(entriesOf(result.installPath), QStringList{"Grid.pluginkit"});
    EXPECT_EQ(readFile(result.installPath + "/Grid.pluginkit/Contents/MacOS/Grid"), "binary");
    EXPECT_TRUE(QFileInfo::exists(payloadRoot + "/Payloads/Grid.ZIP")) << "the payload stays";
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());
}

TEST_F(EngineTest,
       UninstallRemovesThePackageAndPrunesTheSharedFolderOnceEmptyButNeverApplications) {
    // GIVEN two installed packages, and nothing else in the shared folder but a hidden file
    const auto installedPlugin = [&](const QString& id) {
        makeBundle(payloadRoot + "/" + id + "/" + id + ".pluginkit", "studio.marlox." + id);
        return recordOf(package(id, id), installed(package(id, id)));
    };
    const InstalledPackage blur = installedPlugin("blur");
    const InstalledPackage glow = installedPlugin("glow");
    writeFile(installRoot + "/.DS_Store", "finder");

    // WHEN Motion runs, THEN nothing is removed
    processes->byIdentifier["com.apple.motionapp"] = {{4242, false}};
    const InstallFailure blocked = engine().uninstall(blur);
    ASSERT_TRUE(blocked);
    EXPECT_EQ(describe(*blocked), "Close host apps before continuing. Running: Apple Motion");
    EXPECT_TRUE(QFileInfo(blur.installPath).isDir());
    processes->byIdentifier.clear();

    // WHEN one is uninstalled, THEN its plug-in is unregistered and its folder gone, the other's
    // kept
    ASSERT_FALSE(engine().uninstall(blur));
    EXPECT_EQ(pluginkit.callsWith("-r").value(0), "-r " + blur.installPath + "/blur.pluginkit");
    EXPECT_FALSE(QFileInfo::exists(blur.installPath));
    EXPECT_TRUE(QFileInfo(glow.installPath + "/glow.pluginkit").isDir());

    // WHEN the other is too, THEN the emptied shared folder is gone, Applications not
    ASSERT_FALSE(engine().uninstall(glow));
    EXPECT_FALSE(QFileInfo::exists(installRoot));
    EXPECT_TRUE(QFileInfo(home.filePath("home/Applications")).isDir());
}

TEST_F(EngineTest, UninstallOfRecordsPointingOutsideEveryRootDeletesNothing) {
    // GIVEN folders that a damaged records file could name
    writeFile(home.filePath("home/Applications/Other App/data.txt"), "another application");
    writeFile(home.filePath("home/Documents/work.txt"), "the user's work");
    writeFile(installRoot + "/glow/glow.txt", "another package");
    const auto userFolders = [&] {
        return treeSnapshot(home.filePath("home/Applications")) +
               treeSnapshot(home.filePath("home/Documents"));
    };
    const QStringList before = userFolders();
    for (const QString& path :
         {QString(), QString("relative/blur"), installRoot, installRoot + "/../Other App",
          home.filePath("home/Applications/Other App"), home.filePath("home/Documents"),
          home.filePath("home")}) {
        // WHEN a record with that install path or template path is removed
        EXPECT_FALSE(engine().uninstall(recordAt(path))) << path.toStdString();
        EXPECT_FALSE(engine().uninstall(recordAt({}, {path}))) << path.toStdString();
    }
    // THEN nothing is gone, and what was refused is logged
    EXPECT_EQ(userFolders(), before);
    marlox::catalog::flushOperationsLog();
    EXPECT_TRUE(readFile(marlox::catalog::operationsLogFilePath())
                    .contains("Removal skipped a recorded path outside the install folders: " +
                              home.filePath("home/Documents").toUtf8()));
}

TEST(PruneEmptyDirectoriesTest, RemovesEmptyFoldersUpToButNeverPastTheStopFolder) {
    ScratchHome home;
    const QString stop = home.filePath("stop");
    QDir().mkpath(stop + "/a/b/c");
    QDir().mkpath(home.filePath("outside/empty/deeper"));

    // A start outside the stop folder prunes nothing, though everything there is empty.
    EXPECT_FALSE(InstallEngine::pruneEmptyDirectories(home.filePath("outside/empty/deeper"), stop));
    EXPECT_TRUE(QFileInfo(home.filePath("outside/empty/deeper")).isDir());

    // A start inside climbs to the stop folder, hidden entries not keeping a folder, and the stop
    // folder itself is never removed, even empty.
    writeFile(stop + "/a/.hidden", "hidden");
    EXPECT_FALSE(InstallEngine::pruneEmptyDirectories(stop + "/a/b/c", stop));
    EXPECT_FALSE(QFileInfo::exists(stop + "/a"));
    EXPECT_TRUE(QFileInfo(stop).isDir());
}
