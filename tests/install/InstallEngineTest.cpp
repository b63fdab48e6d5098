#include "EngineTestFixture.h"
#include "catalog/Environment.h"
#include "install/FileOperations.h"
#include "platform/Quarantine.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sys/stat.h>
#include <sys/xattr.h>

using namespace marlox::install;
using namespace marlox::testing;
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

// Notes the threads the engine's child processes were started from.
class ThreadRecordingRunner final : public marlox::platform::ProcessRunner {
public:
    QList<QThread*> threads;
    marlox::platform::ProcessResult run(const QString& program,
                                        const QStringList& arguments) override {
        threads.append(QThread::currentThread());
        return marlox::platform::SystemProcessRunner().run(program, arguments);
    }
};

} // namespace

TEST_F(EngineTest, DirectoryPayloadLandsInAFolderNamedByThePackageIDWithEverythingKept) {
    // GIVEN a payload folder holding a plug-in bundle with links, modes and hidden files
    makeRichBundle(payloadRoot + "/Payloads/BlurBundle/Blur.pluginkit", "studio.marlox.blur");

    // WHEN the package blur is installed
    const InstallResult result = installed(package("blur", "Payloads/BlurBundle"));

    // THEN it lands in the install root's folder blur as an exact copy, and is registered there
    EXPECT_EQ(result.installPath, installRoot + "/blur");
    EXPECT_TRUE(result.templateInstallPaths.isEmpty());
    EXPECT_EQ(treeSnapshot(installRoot + "/blur"),
              treeSnapshot(payloadRoot + "/Payloads/BlurBundle"));
    EXPECT_EQ(pluginkit.callsWith("-a").value(0),
              (QStringList{"-a", installRoot + "/blur/Blur.pluginkit"}));
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());
}

TEST_F(EngineTest, ZipPayloadInstallsOnlyTheBundleWhateverTheExtensionsCase) {
    for (const QString archive : {"Grid.zip", "Grid.ZIP"}) {
        // GIVEN a zipped plug-in with the resource forks a Mac's archiver adds
        writeZip(payloadRoot + "/Payloads/" + archive,
                 {{"Grid.pluginkit/Contents/Info.plist", "<plist/>"},
                  {"Grid.pluginkit/Contents/MacOS/Grid", "binary"},
                  {"__MACOSX/._Grid.pluginkit", "fork"},
                  {"__MACOSX/Grid.pluginkit/Contents/._Info.plist", "fork"}});

        // WHEN it is installed
        const InstallResult result = installed(package("grid", "Payloads/" + archive));

        // THEN the install folder holds the bundle only: no archive, no __MACOSX
        EXPECT_EQ(QDir(result.installPath)
                      .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"Grid.pluginkit"})
            << archive.toStdString();
        EXPECT_EQ(readFile(result.installPath + "/Grid.pluginkit/Contents/MacOS/Grid"), "binary");
        EXPECT_TRUE(QFileInfo::exists(payloadRoot + "/Payloads/" + archive)) << "the payload stays";
        EXPECT_TRUE(leftoverWorkFolders().isEmpty());
    }
}

TEST_F(EngineTest, RefusesPayloadsThatAreMissingBlankOrOfAnotherKind) {
    writeFile(payloadRoot + "/Payloads/Blur.tar", "not an archive we take");
    struct Case {
        QString payloadPath;
        QString message;
    };
    for (const Case& test : {
             Case{"   ", "Embedded payload path is missing for Package blur."},
             Case{"Payloads/Nope.pluginkit",
                  "Embedded payload was not found at Payloads/Nope.pluginkit. Reinstall the app "
                  "and try again."},
             Case{" Payloads/Blur.tar\n",
                  "Embedded payload is not supported: " + payloadRoot +
                      "/Payloads/Blur.tar. Expected a directory or .zip archive."},
         }) {
        const auto result = install(package("blur", test.payloadPath));
        ASSERT_FALSE(result) << test.payloadPath.toStdString();
        EXPECT_EQ(describe(result.error()), test.message);
        EXPECT_FALSE(QFileInfo::exists(installRoot + "/blur"));
    }
}

TEST_F(EngineTest, ReinstallReplacesTheInstallFolderAsAWhole) {
    makeBundle(payloadRoot + "/v1/Blur.pluginkit", "studio.marlox.blur", "1.0");
    writeFile(payloadRoot + "/v1/only-in-version-1.txt", "old");
    makeBundle(payloadRoot + "/v2/Blur.pluginkit", "studio.marlox.blur", "2.0");
    const auto first = installed(package("blur", "v1"));

    const auto second = installed(package("blur", "v2"), recordOf(package("blur", "v1"), first));

    EXPECT_EQ(treeSnapshot(second.installPath), treeSnapshot(payloadRoot + "/v2"));
    EXPECT_FALSE(QFileInfo::exists(installRoot + "/blur/only-in-version-1.txt"));
}

TEST_F(EngineTest, CopyThatFailsHalfWayRestoresThePreviousVersionByteForByte) {
    // GIVEN version 1 installed, and a version 2 whose last item cannot be copied
    makeRichBundle(payloadRoot + "/v1/Blur.pluginkit", "studio.marlox.blur");
    installed(package("blur", "v1"));
    const QStringList before = treeSnapshot(installRoot + "/blur");
    makeBundle(payloadRoot + "/v2/Blur.pluginkit", "studio.marlox.blur", "2.0");
    writeFile(payloadRoot + "/v2/Blur.pluginkit/Contents/Resources/big.bin",
              QByteArray(1 << 20, 'x'));
    ASSERT_EQ(::mkfifo(QFile::encodeName(payloadRoot + "/v2/zz-pipe").constData(), 0644), 0);

    // WHEN version 2 is installed
    const auto result = install(package("blur", "v2"));

    // THEN the install fails naming the item, and version 1 is back exactly as it was
    ASSERT_FALSE(result);
    EXPECT_TRUE(describe(result.error()).contains(payloadRoot + "/v2/zz-pipe"));
    EXPECT_EQ(treeSnapshot(installRoot + "/blur"), before);
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());
}

TEST_F(EngineTest, UpdateThatFailsAfterTheCopyKeepsThePreviousVersion) {
    // GIVEN version 1 installed, and a registry tool that refuses version 2
    makeRichBundle(payloadRoot + "/v1/Blur.pluginkit", "studio.marlox.blur");
    installed(package("blur", "v1"));
    const QStringList before = treeSnapshot(installRoot + "/blur");
    makeBundle(payloadRoot + "/v2/Blur.pluginkit", "studio.marlox.blur", "2.0");
    pluginkit.fail("-a", 1, "registry is locked");

    // WHEN version 2 is installed
    const auto result = install(package("blur", "v2"));

    // THEN the install fails with the tool's text, and version 1 is back as it was
    ASSERT_FALSE(result);
    EXPECT_TRUE(describe(result.error()).contains("registry is locked"));
    EXPECT_EQ(treeSnapshot(installRoot + "/blur"), before);
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());
}

TEST_F(EngineTest, ClearsTheQuarantineOfEverythingItPlaced) {
    // GIVEN a payload whose files carry the quarantine attribute, and one without it
    const QString bundle = payloadRoot + "/Payloads/Blur/Blur.pluginkit";
    makeBundle(bundle, "studio.marlox.blur");
    for (const QString& item :
         {bundle, bundle + "/Contents/Info.plist", bundle + "/Contents/MacOS/Blur"}) {
        setQuarantine(item);
    }

    // WHEN it is installed
    const InstallResult result = installed(package("blur", "Payloads/Blur"));

    // THEN no installed item keeps the attribute; the payload itself is untouched
    QStringList items{result.installPath};
    items.append(enumerateTree(result.installPath, true));
    ASSERT_GT(items.size(), 5);
    for (const QString& item : items) {
        EXPECT_FALSE(hasQuarantine(item)) << item.toStdString();
    }
    EXPECT_TRUE(hasQuarantine(bundle + "/Contents/Info.plist"));
    EXPECT_FALSE(
        marlox::platform::removeQuarantineAttribute(bundle + "/Contents/Resources/strings.txt"))
        << "an item without the attribute counts as cleared";
}

TEST_F(EngineTest, BrokenLinkFailsTheQuarantineStepWithTheSystemsText) {
    makeBundle(payloadRoot + "/Payloads/Blur/Blur.pluginkit", "studio.marlox.blur");
    QFile::link("missing-target", payloadRoot + "/Payloads/Blur/Blur.pluginkit/Contents/dangling");

    const auto result = install(package("blur", "Payloads/Blur"));

    ASSERT_FALSE(result);
    EXPECT_EQ(describe(result.error()),
              "Failed to clear quarantine attributes for " + installRoot +
                  "/blur/Blur.pluginkit/Contents/dangling: No such file or directory");
}

TEST_F(EngineTest, LinkToAFileOutsideThePayloadLeavesThatFileAlone) {
    const QString outside = home.filePath("outside/system-file");
    writeFile(outside, "not ours");
    setQuarantine(outside);
    makeBundle(payloadRoot + "/Payloads/Blur/Blur.pluginkit", "studio.marlox.blur");
    QFile::link(outside, payloadRoot + "/Payloads/Blur/Blur.pluginkit/Contents/system-link");

    installed(package("blur", "Payloads/Blur"));

    EXPECT_TRUE(hasQuarantine(outside));
}

TEST_F(EngineTest, ExpandsArchivesInsideADirectoryPayloadInPathOrderButNotArchivesInArchives) {
    // GIVEN a folder payload with an archive at its top, one in a subfolder, and an archive that
    // holds another archive
    writeZip(payloadRoot + "/Mixed/Top.zip", {{"Top.pluginkit/Contents/Info.plist", "top"},
                                              {"Nested.zip", "an archive inside an archive"}});
    writeZip(payloadRoot + "/Mixed/Sub/Inner.zip", {{"Inner.txt", "inner"}});
    writeFile(payloadRoot + "/Mixed/Sub/Inner.txt", "replaced by the archive's copy");

    const InstallResult result = installed(package("mixed", "Mixed"));

    EXPECT_EQ(readFile(result.installPath + "/Sub/Inner.txt"), "inner");
    EXPECT_FALSE(QFileInfo::exists(result.installPath + "/Sub/Inner.zip"));
    EXPECT_FALSE(QFileInfo::exists(result.installPath + "/Top.zip"));
    EXPECT_EQ(readFile(result.installPath + "/Top.pluginkit/Contents/Info.plist"), "top");
    EXPECT_EQ(readFile(result.installPath + "/Nested.zip"), "an archive inside an archive");
}

TEST_F(EngineTest, ArchiveToolFailureReportsItsStatusAndOutputAndLeavesTheArchive) {
    writeZip(payloadRoot + "/Payloads/Grid.zip", {{"Grid.pluginkit/Contents/Info.plist", "x"}});
    ditto = failingDitto.path();

    const auto result = install(package("grid", "Payloads/Grid.zip"));

    ASSERT_FALSE(result);
    const auto* error = std::get_if<ToolError>(&result.error());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, "InstallEngine");
    EXPECT_EQ(error->code, 9);
    EXPECT_EQ(error->description, "ditto: archive is damaged\n");
    EXPECT_TRUE(QFileInfo::exists(installRoot + "/grid/Grid.zip"));
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());

    failingDitto.fail("-x", 2, "");
    EXPECT_EQ(describe(install(package("grid", "Payloads/Grid.zip")).error()),
              "Tool failed: " + failingDitto.path());
}

TEST_F(EngineTest, RegistersTheApplicationWithItsPluginsThenTheStandalonePlugins) {
    makeBundle(payloadRoot + "/Suite/Suite.app", "studio.marlox.suite");
    makeBundle(payloadRoot + "/Suite/Suite.app/Contents/PlugIns/Curves.pluginkit",
               "studio.marlox.suite.curves");
    makeBundle(payloadRoot + "/Suite/Extra.pluginkit", "studio.marlox.suite.extra");

    const InstallResult result = installed(package("suite", "Suite"));

    EXPECT_EQ(lsregister.calls().value(0),
              (QStringList{"-f", "-R", result.installPath + "/Suite.app"}));
    QStringList added;
    for (const QStringList& call : pluginkit.callsWith("-a")) {
        if (!added.contains(call.at(1))) {
            added.append(call.at(1));
        }
    }
    EXPECT_EQ(added,
              (QStringList{result.installPath + "/Suite.app/Contents/PlugIns/Curves.pluginkit",
                           result.installPath + "/Extra.pluginkit"}));
}

TEST_F(EngineTest, RunningHostStopsTheInstallBeforeAnyFileChanges) {
    makeBundle(payloadRoot + "/Payloads/Blur/Blur.pluginkit", "studio.marlox.blur");
    hostRuns("com.apple.FinalCut");

    const auto result = install(package("blur", "Payloads/Blur"));

    ASSERT_FALSE(result);
    EXPECT_TRUE(std::holds_alternative<HostApplicationGuardError>(result.error()));
    EXPECT_EQ(describe(result.error()),
              "Close host apps before continuing. Running: Final Cut Pro");
    EXPECT_FALSE(QFileInfo::exists(home.filePath("home/Applications")));
    EXPECT_TRUE(pluginkit.calls().isEmpty());
}

TEST_F(EngineTest, IdsAndPayloadPathsThatLeaveTheirFolderTouchNothing) {
    // GIVEN folders beside the install root and beside the payload root
    writeFile(home.filePath("home/Applications/x/keep.txt"), "sibling of the install root");
    writeFile(home.filePath("secret/Blur.pluginkit/Contents/Info.plist"), "outside the payloads");
    makeBundle(payloadRoot + "/Payloads/Blur/Blur.pluginkit", "studio.marlox.blur");
    QDir().mkpath(payloadRoot + "/Links");
    QFile::link(home.filePath("secret"), payloadRoot + "/Links/secret");
    const QStringList siblingsBefore = treeSnapshot(home.filePath("home/Applications"));
    struct Case {
        QString id;
        QString payloadPath;
        QString message;
    };
    for (const Case& test : {
             Case{"../x", "Payloads/Blur", "Package id cannot be used as a folder name: ../x."},
             Case{"a/b", "Payloads/Blur", "Package id cannot be used as a folder name: a/b."},
             Case{"..", "Payloads/Blur", "Package id cannot be used as a folder name: ..."},
             Case{"", "Payloads/Blur", "Package id cannot be used as a folder name: ."},
             Case{"blur", "../secret/Blur.pluginkit",
                  "Embedded payload path leaves its folder: ../secret/Blur.pluginkit."},
             Case{"blur", "Payloads/./Blur",
                  "Embedded payload path leaves its folder: Payloads/./Blur."},
             Case{"blur", "Links/secret", "Embedded payload path leaves its folder: Links/secret."},
         }) {
        const auto result = install(package(test.id, test.payloadPath));
        ASSERT_FALSE(result) << test.id.toStdString() << " " << test.payloadPath.toStdString();
        EXPECT_EQ(describe(result.error()), test.message);
    }
    EXPECT_EQ(treeSnapshot(home.filePath("home/Applications")), siblingsBefore);
    EXPECT_TRUE(pluginkit.calls().isEmpty());
}

TEST_F(EngineTest, FolderPayloadFromTheAppBundleBecomesThePackageFolder) {
    // GIVEN no payload root, and a catalog path that names a payload folder in the app's resources
    const auto result =
        engine().install(package("studio.marlox.countdown-pro", "Payloads/CountdownPro"),
                         installRoot, std::nullopt, std::nullopt, std::nullopt);

    // THEN the folder's bundle lands in the package's folder under its own name and is registered
    ASSERT_TRUE(result) << describe(result.error()).toStdString();
    const QString bundle = result->installPath + "/CountdownPro.pluginkit";
    EXPECT_TRUE(QFileInfo(bundle + "/Contents/Info.plist").isFile());
    EXPECT_EQ(pluginkit.callsWith("-a").value(0), (QStringList{"-a", bundle}));
}

TEST_F(EngineTest, RunsOffTheMainThreadAndAnswersThroughAFuture) {
    makeBundle(payloadRoot + "/Payloads/Blur/Blur.pluginkit", "studio.marlox.blur");
    QThread* mainThread = QThread::currentThread();
    QObject context;
    QEventLoop loop;
    std::optional<InstallResultOr<InstallResult>> answer;
    bool answeredOnMainThread = false;
    auto runner = std::make_shared<ThreadRecordingRunner>();
    const InstallEngine engine(HostApplicationGuard(processes), runner,
                               {ditto, pluginkit.path(), lsregister.path()});

    engine
        .installInBackground(package("blur", "Payloads/Blur"), installRoot, std::nullopt,
                             std::nullopt, payloadRoot)
        .then(&context, [&](InstallResultOr<InstallResult> result) {
            answeredOnMainThread = QThread::currentThread() == mainThread;
            answer = std::move(result);
            loop.quit();
        });
    loop.exec();

    ASSERT_TRUE(answer && *answer);
    EXPECT_TRUE(answeredOnMainThread);
    ASSERT_FALSE(runner->threads.isEmpty());
    for (QThread* thread : runner->threads) {
        EXPECT_NE(thread, mainThread);
    }
    EXPECT_EQ((*answer)->installPath, installRoot + "/blur");
}
