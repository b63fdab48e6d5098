#include "install/FileOperations.h"
#include "platform/Bundle.h"
#include "platform/Quarantine.h"
#include "support/InstallTestSupport.h"
#include "support/LoggedMessages.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/xattr.h>

using namespace marlox::install;
using namespace marlox::testing;
using marlox::catalog::InstalledPackage;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;

namespace {

const QByteArray quarantineName = marlox::platform::quarantineAttributeSystemName().toUtf8();

bool hasQuarantine(const QString& path) {
    return ::getxattr(QFile::encodeName(path).constData(), quarantineName.constData(), nullptr,
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

class MotionTemplatesTest : public EngineTest {
protected:
    // A templates-only package placing the templates at the payload path under the subpath.
    static PackageManifest
    templatesPackage(const QString& templatePath,
                     std::optional<QString> subpath = QString("Titles/Marlox Studio")) {
        PackageManifest manifest = package("titles", "", PackageType::template_);
        manifest.motionTemplatePayloadPath = templatePath;
        manifest.motionTemplateInstallSubpath = std::move(subpath);
        return manifest;
    }
};

using BuiltInInstallTest = EngineTest;

} // namespace

TEST_F(BuiltInInstallTest, InstallsAndRemovesEveryBuiltInPackageWithTheBundledTools) {
    // GIVEN the engine with the bundle's own ditto, pluginkit and lsregister
    const InstallEngine engine(HostApplicationGuard(processes),
                               std::make_shared<marlox::platform::SystemProcessRunner>(),
                               InstallTools::systemDefaults());

    // WHEN every package of the built-in catalog is installed from the payloads it names
    QList<InstalledPackage> records;
    for (const PackageManifest& package : builtInPackages()) {
        const auto result = engine.install(
            package, installRoot,
            package.hasMotionTemplatePayload() ? std::optional(templatesRoot) : std::nullopt,
            std::nullopt, std::nullopt);
        ASSERT_TRUE(result) << package.id.toStdString() << ": "
                            << description(result.error()).toStdString();
        finishInstallJournal(engine.registrar());
        records.append(recordOf(package, *result));
    }

    // THEN every bundle, zipped or not, arrives with its identifier and an executable: nine
    // standalone plug-ins, two of them zipped, and an application that carries two more
    QStringList bundles;
    for (QDirIterator items(installRoot, QDir::Dirs | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
         items.hasNext();) {
        const QString path = items.next();
        if (path.endsWith(".pluginkit") || path.endsWith(".app")) {
            bundles.append(QFileInfo(path).fileName());
            const auto bundle = marlox::platform::Bundle::load(path);
            ASSERT_TRUE(bundle) << path.toStdString();
            EXPECT_FALSE(bundle->bundleIdentifier().isEmpty()) << path.toStdString();
            EXPECT_TRUE(QFileInfo(path + "/Contents/MacOS/" +
                                  bundle->infoValue("CFBundleExecutable").toString())
                            .isExecutable())
                << path.toStdString();
        }
    }
    EXPECT_EQ(bundles.size(), 12) << bundles.join(", ").toStdString();
    // zips are expanded without their resource forks, templates sit in their folders, and every
    // plug-in is registered for use
    EXPECT_EQ(entriesOf(installRoot + "/studio.marlox.grid-layout"),
              QStringList{"GridLayout.pluginkit"});
    const QString frameKit = templatesRoot + "/Generators/Marlox Studio/Frame Kit";
    EXPECT_EQ(records.at(7).templateInstallPaths,
              (QStringList{frameKit + "/Frame Kit Borders", frameKit + "/Frame Kit Splits"}));
    EXPECT_FALSE(QFileInfo::exists(frameKit + "/__MACOSX"));
    const QStringList registered = registeredPluginLines();
    EXPECT_EQ(registered.size(), 11) << registered.join('\n').toStdString();
    EXPECT_EQ(registered.filter(QRegularExpression("^\\+")), registered);

    // WHEN every package is removed again, THEN the shared folder and the template folders are
    // gone, the libraries stay, and the registry is empty
    for (const InstalledPackage& record : records) {
        const auto failure = engine.uninstall(record);
        ASSERT_FALSE(failure) << record.id.toStdString() << ": "
                              << description(*failure).toStdString();
        finishInstallJournal(engine.registrar());
    }
    EXPECT_FALSE(QFileInfo::exists(installRoot));
    EXPECT_TRUE(QFileInfo(home.filePath("home/Applications")).isDir());
    EXPECT_TRUE(QFileInfo(templatesRoot).isDir());
    EXPECT_EQ(entriesOf(templatesRoot), QStringList());
    EXPECT_TRUE(registeredPluginLines().isEmpty());
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
    };
    const QString leaves = "Embedded payload path leaves its folder: ";
    const QString unsafeID = "Package id cannot be used as a folder name: ";
    for (const Case& test : {
             Case{"../x", "Payloads/Blur", unsafeID + "../x."},
             Case{"blur", "../secret/Blur.pluginkit", leaves + "../secret/Blur.pluginkit."},
             Case{"blur", "Payloads/./Blur", leaves + "Payloads/./Blur."},
             Case{"blur", "Links/secret", leaves + "Links/secret."},
             Case{"blur", " Payloads/Blur.tar\n",
                  "Embedded payload is not supported: " + payloadRoot +
                      "/Payloads/Blur.tar. Expected a directory or .zip archive."},
         }) {
        SCOPED_TRACE(test.id.toStdString() + " " + test.payloadPath.toStdString());
        // WHEN it is installed, THEN it fails with its reason
        const auto result = install(package(test.id, test.payloadPath));
        ASSERT_FALSE(result);
        EXPECT_EQ(description(result.error()), test.message);
    }
    // and nothing was written or registered
    EXPECT_EQ(treeSnapshot(home.filePath("home/Applications")), before);
    EXPECT_TRUE(pluginkit.calls().isEmpty());
}

TEST_F(EngineTest, InstallCopiesTheFolderRegistersApplicationsFirstAndAFailedUpdateRestores) {
    // GIVEN version 1: a plug-in with links, modes and hidden files, an application carrying a
    // plug-in, and a file; the registry lists what it is given at once
    makeRichBundle(payloadRoot + "/v1/Blur.pluginkit", "studio.marlox.blur");
    makeBundle(payloadRoot + "/v1/Suite.app", "studio.marlox.suite");
    makeBundle(payloadRoot + "/v1/Suite.app/Contents/PlugIns/Curves.pluginkit",
               "studio.marlox.curves");
    writeFile(payloadRoot + "/v1/only-in-version-1.txt", "old");
    pluginkit.reply("-m", "+    listed\t" + installRoot.toUtf8() + "/blur/Blur.pluginkit\n");

    // WHEN it is installed, THEN the folder blur is its exact copy, and the application is
    // registered with its plug-in before the standalone plug-in, each once
    const auto first = installed(package("blur", "v1"));
    const QString installPath = installRoot + "/blur";
    EXPECT_EQ(first, (InstallResult{installPath, {}}));
    EXPECT_EQ(treeSnapshot(installPath), treeSnapshot(payloadRoot + "/v1"));
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());
    EXPECT_EQ(lsregister.calls().value(0), "-f -R " + installPath + "/Suite.app");
    EXPECT_EQ(pluginkit.callsWith("-a"),
              (QStringList{"-a " + installPath + "/Suite.app/Contents/PlugIns/Curves.pluginkit",
                           "-a " + installPath + "/Blur.pluginkit"}));

    // WHEN version 2 is installed over it, THEN the folder holds version 2 alone
    makeRichBundle(payloadRoot + "/v2/Blur.pluginkit", "studio.marlox.blur");
    writeFile(payloadRoot + "/v2/Blur.pluginkit/Contents/Resources/version.txt", "2");
    installed(package("blur", "v2"), recordOf(package("blur", "v1"), first));
    const QStringList before = treeSnapshot(installPath);
    EXPECT_EQ(before, treeSnapshot(payloadRoot + "/v2"));

    // WHEN version 3 fails while being copied (its last item is a pipe), or when the registry
    // refuses it
    makeBundle(payloadRoot + "/v3/Blur.pluginkit", "studio.marlox.blur", "3.0");
    writeFile(payloadRoot + "/v3/Blur.pluginkit/Contents/Resources/big.bin",
              QByteArray(1 << 20, 'x'));
    ASSERT_EQ(::mkfifo(QFile::encodeName(payloadRoot + "/v3/zz-pipe").constData(), 0644), 0);
    makeBundle(payloadRoot + "/v3-whole/Blur.pluginkit", "studio.marlox.blur", "3.0");
    for (const auto& [payload, cause] : QList<std::pair<QString, QString>>{
             {"v3", payloadRoot + "/v3/zz-pipe"}, {"v3-whole", "registry is locked"}}) {
        SCOPED_TRACE(cause.toStdString());
        if (cause == "registry is locked") {
            pluginkit.fail("-a", 1, "registry is locked");
        }
        const auto result = install(package("blur", payload));

        // THEN it fails naming its cause, and version 2 is back exactly as it was
        ASSERT_FALSE(result);
        EXPECT_TRUE(description(result.error()).contains(cause))
            << description(result.error()).toStdString();
        EXPECT_EQ(treeSnapshot(installPath), before);
        EXPECT_TRUE(leftoverWorkFolders().isEmpty());
    }
}

TEST_F(EngineTest, BrokenLinkAtAnEarlierPayloadLocationIsPassedOver) {
    // GIVEN a broken link in the payload root where the bundle's resources hold the payload
    QDir().mkpath(payloadRoot + "/Payloads");
    QFile::link(payloadRoot + "/missing", payloadRoot + "/Payloads/CountdownPro");

    // WHEN the payload is looked for, THEN the bundle's copy is found
    const auto found =
        InstallEngine::resolvePayloadURL("Payloads/CountdownPro", "Countdown Pro", payloadRoot);
    ASSERT_TRUE(found) << description(found.error()).toStdString();
    EXPECT_EQ(*found, marlox::catalog::resourceDirectoryURLs().value(0) + "/Payloads/CountdownPro");
}

TEST_F(EngineTest, ClearsTheQuarantineOfWhatItPlacedOnly) {
    // GIVEN a payload whose items are quarantined, with a link to a quarantined file outside it
    const QString bundle = payloadRoot + "/Payloads/Blur/Blur.pluginkit";
    makeBundle(bundle, "studio.marlox.blur");
    const QString outside = home.filePath("outside/system-file");
    writeFile(outside, "not ours");
    QFile::link(outside, bundle + "/Contents/system-link");
    for (const QString& item :
         {bundle, bundle + "/Contents/Info.plist", bundle + "/Contents/MacOS/Blur", outside}) {
        ASSERT_EQ(::setxattr(QFile::encodeName(item).constData(), quarantineName.constData(),
                             "0083;5f1b2c3d;Safari;", 21, 0),
                  0);
    }

    // WHEN it is installed, THEN no installed item keeps the attribute (a link's own is its
    // target's), while the payload and the outside file keep theirs
    const InstallResult result = installed(package("blur", "Payloads/Blur"));
    const QStringList items =
        QStringList{result.installPath} + enumerateTree(result.installPath, true);
    ASSERT_GT(items.size(), 5);
    for (const QString& item : items) {
        EXPECT_TRUE(QFileInfo(item).isSymLink() || !hasQuarantine(item)) << item.toStdString();
    }
    EXPECT_TRUE(hasQuarantine(bundle + "/Contents/Info.plist"));
    EXPECT_TRUE(hasQuarantine(outside));
}

TEST_F(EngineTest, ExpandsZipPayloadsAndArchivesInsideFoldersButNotArchivesInArchives) {
    // GIVEN a zipped plug-in, its extension in capitals, with the resource forks a Mac adds; a
    // folder payload with an archive at its top holding another archive, and two in a subfolder
    writeZipOfFiles(payloadRoot + "/Payloads/Grid.ZIP",
                    {{"Grid.pluginkit/Contents/MacOS/Grid", "binary"},
                     {"__MACOSX/Grid.pluginkit/Contents/._Info.plist", "fork"}});
    writeZipOfFiles(payloadRoot + "/Mixed/Top.zip",
                    {{"Top.pluginkit/Contents/Info.plist", "top"},
                     {"Nested.zip", "an archive inside an archive"}});
    writeZipOfFiles(payloadRoot + "/Mixed/Sub/Inner.zip", {{"Inner.txt", "inner"}});
    writeZipOfFiles(payloadRoot + "/Mixed/Sub/Earlier.zip",
                    {{"Inner.txt", "replaced by Inner.zip's"}});
    writeFile(payloadRoot + "/Mixed/Sub/Inner.txt", "replaced by the archive's copy");

    // WHEN they are installed, THEN the zip's folder holds the bundle only, and the folder's
    // archives are replaced by their contents once, in path order
    const InstallResult grid = installed(package("grid", "Payloads/Grid.ZIP"));
    EXPECT_EQ(entriesOf(grid.installPath), QStringList{"Grid.pluginkit"});
    EXPECT_EQ(readFile(grid.installPath + "/Grid.pluginkit/Contents/MacOS/Grid"), "binary");
    EXPECT_TRUE(QFileInfo::exists(payloadRoot + "/Payloads/Grid.ZIP")) << "the payload stays";
    const QString mixed = installed(package("mixed", "Mixed")).installPath;
    EXPECT_EQ(entriesOf(mixed), (QStringList{"Nested.zip", "Sub", "Top.pluginkit"}));
    EXPECT_EQ(entriesOf(mixed + "/Sub"), QStringList{"Inner.txt"});
    EXPECT_EQ(readFile(mixed + "/Sub/Inner.txt"), "inner");
    EXPECT_EQ(readFile(mixed + "/Top.pluginkit/Contents/Info.plist"), "top");
    EXPECT_EQ(readFile(mixed + "/Nested.zip"), "an archive inside an archive");
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());
}

TEST_F(EngineTest, UninstallUnregistersAndRemovesThatPackageOnly) {
    // GIVEN two installed packages
    const auto installedPlugin = [&](const QString& id) {
        makeBundle(payloadRoot + "/" + id + "/" + id + ".pluginkit", "studio.marlox." + id);
        return recordOf(package(id, id), installed(package(id, id)));
    };
    const InstalledPackage blur = installedPlugin("blur");
    const InstalledPackage glow = installedPlugin("glow");

    // WHEN one is uninstalled, THEN its plug-in is unregistered and its folder gone, not the
    // other's
    ASSERT_FALSE(uninstalled(blur));
    EXPECT_EQ(pluginkit.callsWith("-r"), QStringList{"-r " + blur.installPath + "/blur.pluginkit"});
    EXPECT_FALSE(QFileInfo::exists(blur.installPath));
    EXPECT_TRUE(QFileInfo(glow.installPath + "/glow.pluginkit").isDir());
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
    // WHEN a record with such an install path or template path is removed
    for (const QString& path :
         {QString(), QString("relative/blur"), installRoot, installRoot + "/../Other App",
          home.filePath("home/Applications/Other App"), home.filePath("home/Documents"),
          home.filePath("home"), templatesRoot + "/Generators.localized/gone"}) {
        EXPECT_FALSE(uninstalled(recordAt(path))) << path.toStdString();
        EXPECT_FALSE(uninstalled(recordAt({}, {path}))) << path.toStdString();
    }
    // THEN nothing is gone, and what was refused is logged
    EXPECT_EQ(userFolders(), before);
    EXPECT_TRUE(
        loggedMessages().contains("Removal skipped a recorded path outside the install folders: " +
                                  home.filePath("home/Documents")));
}

TEST_F(EngineTest, PruningRemovesFoldersHoldingOnlyTheSystemsMarkersUpToButNeverPastTheStop) {
    const QString stop = home.filePath("stop");
    QDir().mkpath(stop + "/a/b/c");
    QDir().mkpath(home.filePath("outside/empty/deeper"));
    writeFile(stop + "/a/.notes", "the user's");
    writeFile(stop + "/d/.localized", "");
    writeFile(stop + "/d/e/.DS_Store", "");

    // A start outside the stop folder prunes nothing, though everything there is empty; one
    // inside climbs towards the stop folder, taking the system's markers with their folders, until
    // a folder holds anything else, a hidden file too, and keeps the stop.
    EXPECT_EQ(InstallEngine::pruneEmptyDirectories(home.filePath("outside/empty/deeper"), stop),
              QStringList());
    EXPECT_TRUE(QFileInfo(home.filePath("outside/empty/deeper")).isDir());
    EXPECT_EQ(InstallEngine::pruneEmptyDirectories(stop + "/a/b/c", stop),
              (QStringList{stop + "/a/b/c", stop + "/a/b"}));
    EXPECT_EQ(readFile(stop + "/a/.notes"), "the user's");
    EXPECT_EQ(InstallEngine::pruneEmptyDirectories(stop + "/d/e", stop),
              (QStringList{stop + "/d/e", stop + "/d"}));
    EXPECT_TRUE(QFileInfo(stop).isDir());
}

TEST_F(MotionTemplatesTest, PluginPackageWithoutAPayloadPathFailsThoughItCarriesTemplates) {
    writeFile(payloadRoot + "/Templates/Frames/Border/Border.moti", "border");
    // GIVEN a plug-in package with templates but a blank payload path
    PackageManifest frame = package("frame", " \n", PackageType::filter);
    frame.motionTemplatePayloadPath = "Templates/Frames";

    // WHEN it is installed, THEN it fails for the missing path and places nothing
    const auto result = install(frame, std::nullopt, templatesRoot);
    ASSERT_FALSE(result);
    EXPECT_EQ(description(result.error()), "Embedded payload path is missing for Name of frame.");
    EXPECT_FALSE(QFileInfo::exists(templatesRoot));
}

TEST_F(MotionTemplatesTest, EveryFailedPlacementKeepsTheEarlierTemplates) {
    // GIVEN templates placed from a folder, and payloads that cannot be placed
    writeFile(payloadRoot + "/Templates/Kinetic/Slide/Slide.moti", "slide");
    const PackageManifest kinetic = templatesPackage("Templates/Kinetic");
    const InstalledPackage previous = recordOf(kinetic, installed(kinetic));
    writeFile(payloadRoot + "/Templates/Kinetic.tar", "not an archive we take");
    writeZipOfFiles(payloadRoot + "/Templates/Kinetic.zip", {{"Kinetic/Slide/Slide.moti", "new"}});
    writeFile(payloadRoot + "/Broken/Kinetic/Slide/Slide.moti", "new");
    QFile::link("missing-target", payloadRoot + "/Broken/Kinetic/Slide/dangling");
    const StubTool failingDitto(home.filePath("tools"), "ditto");
    failingDitto.fail("-x", 9, "ditto: archive is damaged");
    const QStringList before = treeSnapshot(home.filePath("home/Movies"));
    struct Case {
        PackageManifest update;
        QString cause;
    };
    for (const Case& test : {
             Case{templatesPackage("Templates/Missing"), "not found"},
             Case{templatesPackage("Templates/Kinetic.tar"), "not supported"},
             Case{templatesPackage("Templates/Kinetic.zip"), "damaged"},
             Case{templatesPackage("Broken/Kinetic"),
                  "Titles/Marlox Studio/Kinetic/Slide/dangling"},
             Case{templatesPackage("Templates/Kinetic", std::nullopt), "not defined"},
         }) {
        SCOPED_TRACE(test.cause.toStdString());
        ditto = test.cause == "damaged" ? failingDitto.path() : marlox::platform::dittoToolPath();

        // WHEN an update's templates cannot be placed
        const auto result = install(test.update, previous);

        // THEN it fails for that reason, and the earlier templates are as they were
        ASSERT_FALSE(result);
        EXPECT_TRUE(description(result.error()).contains(test.cause))
            << description(result.error()).toStdString();
        EXPECT_EQ(treeSnapshot(home.filePath("home/Movies")), before);
        EXPECT_TRUE(leftoverWorkFolders().isEmpty());
    }
}

TEST_F(MotionTemplatesTest, UnsafeSubpathFailsBeforeTheEarlierTemplatesAreTouched) {
    writeFile(payloadRoot + "/Templates/Kinetic/Slide/Slide.moti", "slide");
    const auto first = installed(templatesPackage("Templates/Kinetic"));
    writeFile(templatesRoot + "/../Escaped/keep.txt", "beside the library");
    const QStringList before = treeSnapshot(home.filePath("home/Movies"));
    QDir().mkpath(templatesRoot + "/Linked");
    QFile::link(home.filePath("home/Movies/Escaped"), templatesRoot + "/Linked/out");

    for (const QString subpath : {"../Escaped", "Titles/../../Escaped", "Linked/out/deeper"}) {
        const auto result = install(templatesPackage("Templates/Kinetic", subpath),
                                    recordOf(templatesPackage("x"), first));
        ASSERT_FALSE(result) << subpath.toStdString();
        EXPECT_EQ(description(result.error()),
                  "Motion template install subpath leaves the Motion Templates folder: " + subpath +
                      ".");
    }
    // A link that stays in the library is not gone through either: a start would settle nothing
    // of what it placed there.
    QFile::link(templatesRoot + "/Titles", templatesRoot + "/Linked/inside");
    const auto throughLink = install(templatesPackage("Templates/Kinetic", "Linked/inside/Kinetic"),
                                     recordOf(templatesPackage("x"), first));
    ASSERT_FALSE(throughLink);
    EXPECT_EQ(description(throughLink.error()),
              "Motion templates are not placed through a link inside the Motion Templates "
              "folder: Linked/inside/Kinetic.");
    QFile::remove(templatesRoot + "/Linked/inside");
    QFile::remove(templatesRoot + "/Linked/out");
    QDir().rmdir(templatesRoot + "/Linked");
    EXPECT_EQ(treeSnapshot(home.filePath("home/Movies")), before);
}
