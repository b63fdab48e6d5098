#include "install/FxPlugRegistrar.h"

#include "platform/ProcessRunner.h"
#include "support/InstallTestSupport.h"
#include "support/LoggedMessages.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace marlox::install;
using namespace marlox::testing;
using marlox::platform::ProcessResult;
using marlox::platform::SystemProcessRunner;

namespace {

const QString identifier = "studio.marlox.countdown-pro";
const QString helperFailed = "Launch Services registration helper failed for ";

// What pluginkit -v prints for the identifier registered at each path.
QByteArray registryListing(const QStringList& paths) {
    QByteArray lines;
    for (const QString& path : paths) {
        lines += "+    " + identifier.toUtf8() +
                 "(1.0)\t0F4C7A1E-2B3D-4C5E-8F90-A1B2C3D4E5F6\t2026-01-01 10:00:00 +0000\t" +
                 path.toUtf8() + "\n";
    }
    return lines;
}

// The engine fixture's stub registry tools.
class FxPlugRegistrarTest : public EngineTest {
protected:
    FxPlugRegistrar registrarWith(const StubTool& pluginkit) const {
        return {std::make_shared<SystemProcessRunner>(), pluginkit.path(), lsregister.path()};
    }

    FxPlugRegistrar registrar = registrarWith(pluginkit);
    QString plugin = installRoot + "/countdown/CountdownPro.pluginkit";
    QString application = installRoot + "/color-suite/ColorSuite.app";
};

} // namespace

TEST_F(FxPlugRegistrarTest, RegistersAStandalonePluginWithTheRegistrySequence) {
    // GIVEN a plug-in, one without an identifier, an old copy the registry may list, and
    // developer builds: of this plug-in, of another one, and a link to the installed copy
    const QString anonymous = installRoot + "/anonymous/Anonymous.pluginkit";
    const QString oldCopy = home.filePath("home/Old/CountdownPro.pluginkit");
    const QString derivedData = home.filePath("home/Library/Developer/Xcode/DerivedData");
    const QString developerCopy = derivedData + "/Countdown-abc/Build/Debug/CountdownPro.pluginkit";
    makeBundle(plugin, identifier);
    makeBundle(anonymous, QString());
    const auto makeDeveloperBuilds = [&] {
        makeBundle(developerCopy, identifier);
        makeBundle(derivedData + "/Other-def/Build/Other.pluginkit", "studio.marlox.other");
        QDir().mkpath(derivedData + "/Links");
        QFile::link(plugin, derivedData + "/Links/Installed.pluginkit");
    };
    const QMap<QString, QString> calls = {
        {"check", "-m -D -v -i " + identifier},
        {"add", "-a " + plugin},
        {"elect", "-e use -i " + identifier + " -p FxPlug"},
        {"verify", "-m -A -D -v -i " + identifier},
        {"drop", "-r " + oldCopy},
        {"drop-developer-copy", "-r " + developerCopy},
        {"add-anonymous", "-a " + anonymous},
    };
    struct Case {
        QString name;
        QString plugin;
        QStringList listed;
        QString calls;
    };
    const QString attempt = " add elect check verify";
    for (const Case& test : {
             Case{"listed", plugin, {plugin}, "check" + attempt},
             Case{"never-listed", plugin, {}, "check" + attempt + attempt + attempt},
             Case{"anonymous", anonymous, {plugin}, "add-anonymous"},
             Case{"old-copy", plugin, {plugin, oldCopy}, "check drop add elect check drop verify"},
             Case{"developer-builds", plugin, {plugin}, "check drop-developer-copy" + attempt},
         }) {
        SCOPED_TRACE(test.name.toStdString());
        const StubTool rowPluginkit(home.filePath(test.name), "pluginkit");
        rowPluginkit.reply("-m", registryListing(test.listed));
        if (test.name == "developer-builds") {
            makeDeveloperBuilds();
        }

        // WHEN it is registered, THEN the registry is called in that order, Launch Services never
        EXPECT_FALSE(registrarWith(rowPluginkit).registerPlugin(test.plugin));
        QStringList expected;
        for (const QString& call : test.calls.split(' ')) {
            expected.append(calls.value(call));
        }
        EXPECT_EQ(rowPluginkit.calls(), expected);
        EXPECT_TRUE(lsregister.calls().isEmpty());
    }
}

TEST_F(FxPlugRegistrarTest, RegistersAnApplicationAndItsEmbeddedPluginsWithLaunchServicesAround) {
    // GIVEN an application carrying two plug-ins the registry lists at once
    const QString curves = application + "/Contents/PlugIns/Curves.pluginkit";
    const QString hue = application + "/Contents/PlugIns/Grading/HueVsHue.pluginkit";
    makeBundle(application, "studio.marlox.color-suite");
    makeBundle(curves, identifier);
    makeBundle(hue, identifier);
    pluginkit.reply("-m", registryListing({curves, hue}));

    // WHEN it is registered, THEN lsregister runs for it up front, then before each plug-in and
    // in the plug-in's one successful attempt
    ASSERT_FALSE(registrar.registerApplication(application));
    EXPECT_EQ(lsregister.calls(), QStringList(5, "-f -R " + application));
    EXPECT_EQ(pluginkit.callsWith("-a"), (QStringList{"-a " + curves, "-a " + hue}));
}

TEST_F(FxPlugRegistrarTest, FailingToolFailsTheRegistrationWithItsStatusAndTrimmedOutput) {
    makeBundle(plugin, identifier);
    makeBundle(application, "studio.marlox.color-suite");
    makeBundle(application + "/Contents/PlugIns/Curves.pluginkit", identifier);
    struct Case {
        QString failingOption;
        QByteArray output;
        QString subject;
        QString message;
    };
    // A failure stays set for the rows after it; a plug-in outside an application never runs
    // lsregister.
    for (const Case& test : {
             Case{"-f", "database locked", application,
                  helperFailed + application + " with exit code 5: database locked"},
             Case{"-a", "\n  registry refused the bundle \n", plugin,
                  helperFailed + plugin + " with exit code 5: registry refused the bundle"},
             Case{"-a", "", plugin, helperFailed + plugin + " with exit code 5."},
         }) {
        SCOPED_TRACE(test.message.toStdString());
        (test.failingOption == "-f" ? lsregister : pluginkit)
            .fail(test.failingOption, 5, test.output);
        const InstallFailure failure = test.subject == application
                                           ? registrar.registerApplication(application)
                                           : registrar.registerPlugin(plugin);
        ASSERT_TRUE(failure && std::holds_alternative<RegistrationError>(*failure));
        EXPECT_EQ(description(*failure), test.message);
    }
    EXPECT_EQ(pluginkit.callsWith("-a").size(), 2) << "no plug-in after a failed application";

    // A tool that cannot be started fails it too, naming the tool.
    const QString missingTool = home.filePath("no/pluginkit");
    const InstallFailure failure =
        FxPlugRegistrar(std::make_shared<SystemProcessRunner>(), missingTool, lsregister.path())
            .registerPlugin(plugin);
    ASSERT_TRUE(failure && std::holds_alternative<SystemError>(*failure));
    EXPECT_TRUE(description(*failure).startsWith("Could not start " + missingTool + ": "));
}

TEST_F(FxPlugRegistrarTest, ReadsPathsFromQueryLinesFromTheirFirstSlashUnlessTheQueryFails) {
    const QString real = home.filePath("home/Real/A.pluginkit");
    makeBundle(real, identifier);
    QFile::link(home.filePath("home/Real"), home.filePath("home/Link"));
    pluginkit.reply("-m", "no path on this line\n\n!    id(2.0)\tUUID\tdate\t   " +
                              home.filePath("home/Link/A.pluginkit").toUtf8() +
                              "   \n     /gone/B.pluginkit\n");
    EXPECT_EQ(registrar.registeredPaths(identifier, real),
              (QStringList{real, "/gone/B.pluginkit"}));
    pluginkit.fail("-m", 1);
    EXPECT_TRUE(registrar.registeredPaths(identifier, real).isEmpty());
    EXPECT_FALSE(registrar.isRegistered(identifier, real));
}

TEST_F(FxPlugRegistrarTest, ReadsEachFieldOfAListingLineWhateverSlashesOrParenthesesItsVersionHolds) {
    // GIVEN a listing whose versions and paths hold what a bundle may carry
    const QString slashed = home.filePath("home/Glow/Glow.pluginkit");
    const QString tabbed = home.filePath("home/Tab\tbed/Key.pluginkit");
    makeBundle(slashed, identifier);
    pluginkit.reply("-m", "+    " + identifier.toUtf8() + "(1.0/7)\tUUID-1\t2026-01-01 10:00:00 +0000\t" +
                              slashed.toUtf8() + "\n-    studio.marlox.key(2.0 (beta) /x)\tUUID-2\t" +
                              "2026-01-01 10:00:00 +0000\t" + tabbed.toUtf8() + "\n");

    // WHEN the registry is asked THEN each line gives its own path, identifier, version, election
    const auto listed = registrar.registrations();
    ASSERT_TRUE(listed);
    EXPECT_EQ(*listed, (QList<PluginRegistration>{{slashed, identifier, "1.0/7", "use"},
                                                  {tabbed, "studio.marlox.key", "2.0 (beta) /x",
                                                   "ignore"}}));
    EXPECT_EQ(registrar.registeredPaths(identifier, slashed), (QStringList{slashed, tabbed}));
}

TEST_F(FxPlugRegistrarTest, ReadsTheRegistrysListingFromStandardOutputAlone) {
    // GIVEN a registry listing the plug-in, whose tool notes on standard error the file it set
    // aside and a line shaped as a listing's
    makeBundle(plugin, identifier);
    const QString setAside = home.filePath("registry.json.unreadable-2026-01-01T10:00:00Z");
    pluginkit.reply("-m", registryListing({plugin}));
    pluginkit.fail("-m", 0,
                   "pluginkit: the registry could not be read and was set aside as " +
                       setAside.toUtf8() + ": it is empty\n" +
                       registryListing({home.filePath("home/Other/CountdownPro.pluginkit")}));

    // WHEN the plug-in is registered, and the registry asked what it lists
    ASSERT_FALSE(registrar.registerPlugin(plugin));
    const auto listed = registrar.registrations();

    // THEN nothing is unregistered, and only the registration on standard output is listed
    EXPECT_EQ(pluginkit.callsWith("-r"), QStringList());
    ASSERT_TRUE(listed);
    EXPECT_EQ(*listed, (QList<PluginRegistration>{{plugin, identifier, "1.0", "use"}}));
}

// The registry tool the bundle carries, run for real.
class BundledToolsTest : public ScratchHomeTest {
protected:
    static ProcessResult run(const QString& tool, const QStringList& arguments) {
        return SystemProcessRunner().run(tool, arguments);
    }
    QStringList pluginkitLines(const QStringList& arguments) {
        return QString::fromUtf8(run(pluginkitTool, arguments).standardOutput)
            .split('\n', Qt::SkipEmptyParts);
    }

    QString pluginkitTool = marlox::platform::pluginkitToolPath();
};

TEST_F(BundledToolsTest, PluginkitKeepsARegistryOfAddedElectedAndRemovedPlugins) {
    // GIVEN two versions of one plug-in and another plug-in, added
    const QString older = home.filePath("a/Grade.pluginkit");
    const QString newer = home.filePath("b/Grade.pluginkit");
    makeBundle(older, "studio.marlox.grade", "1.9");
    makeBundle(newer, "studio.marlox.grade", "1.10");
    makeBundle(home.filePath("c/Key.pluginkit"), "studio.marlox.key", "1.0");
    ASSERT_TRUE(
        run(pluginkitTool, {"-a", older, newer, home.filePath("c/Key.pluginkit")}).succeeded());

    // THEN a plain query shows the highest version only, and -A -D every copy with its path
    EXPECT_EQ(pluginkitLines({"-m", "-i", "studio.marlox.grade"}),
              QStringList{"     studio.marlox.grade(1.10)"});
    QStringList paths;
    for (const QString& line :
         pluginkitLines({"-m", "-A", "-D", "-v", "-i", "studio.marlox.grade"})) {
        paths.append(line.section('\t', -1));
    }
    paths.sort();
    EXPECT_EQ(paths, (QStringList{older, newer}));
    EXPECT_TRUE(
        QFile::exists(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                      "/pluginkit/registry.json"));

    // WHEN one is elected under its protocol and the other copy removed, THEN the election shows
    // as "+" and the removed copy is gone
    ASSERT_TRUE(
        run(pluginkitTool, {"-e", "use", "-i", "studio.marlox.grade", "-p", "FxPlug"}).succeeded());
    ASSERT_TRUE(run(pluginkitTool, {"-r", older}).succeeded());
    EXPECT_EQ(pluginkitLines({"-m", "-A", "-D", "-i", "studio.marlox.grade"}),
              QStringList{"+    studio.marlox.grade(1.10)"});
    EXPECT_EQ(pluginkitLines({"-m"}).size(), 2);

    // WHEN a plug-in is deleted from disk, THEN the registry forgets it
    QDir(home.filePath("c")).removeRecursively();
    EXPECT_EQ(pluginkitLines({"-m"}), QStringList{"+    studio.marlox.grade(1.10)"});
}

TEST_F(BundledToolsTest, ARegistrySetAsideByARegistrationIsLoggedWithTheWayToRegisterAgain) {
    // GIVEN a registry file that cannot be read
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/pluginkit";
    writeFile(folder + "/registry.json", "{}");
    const QString plugin = home.filePath("a/Grade.pluginkit");
    makeBundle(plugin, "studio.marlox.grade", "1.0");

    // WHEN a plug-in is registered through the tool
    ASSERT_FALSE(bundledRegistrar().registerPlugin(plugin));

    // THEN the log names the file set aside and how the registrations it held come back, and the
    // registry lists the plug-in
    const QStringList copies = QDir(folder).entryList({"registry.json.unreadable-*"});
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(loggedMessages(),
              QStringList{"Registry tool note: pluginkit: the registry could not be read and was "
                          "set aside as " +
                          folder + "/" + copies.first() +
                          ": it holds no list of registrations. Reinstall All Plugins registers "
                          "the installed plug-ins again."});
    EXPECT_EQ(pluginkitLines({"-m"}), QStringList{"+    studio.marlox.grade(1.0)"});
}
