#include "install/FxPlugRegistrar.h"

#include "InstallTestSupport.h"
#include "install/FileOperations.h"
#include "support/ScratchHome.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace marlox::install;
using marlox::testing::makeBundle;
using marlox::testing::registryLine;
using marlox::testing::StubTool;

namespace {

const QString identifier = "studio.marlox.countdown-pro";

class FxPlugRegistrarTest : public marlox::testing::ScratchHomeTest {
protected:
    StubTool pluginkit{home.filePath("tools"), "pluginkit"};
    StubTool lsregister{home.filePath("tools"), "lsregister"};
    FxPlugRegistrar registrar{std::make_shared<marlox::platform::SystemProcessRunner>(),
                              pluginkit.path(), lsregister.path()};
    QString installRoot = home.filePath("home/Applications/Marlox Studio Plugins");

    // A registry that lists the plug-in at its kept path once asked.
    void registryLists(const QStringList& paths) {
        QByteArray lines;
        for (const QString& path : paths) {
            lines += registryLine(identifier, path);
        }
        pluginkit.reply("-m", lines);
    }
};

QStringList call(std::initializer_list<QString> arguments) {
    return QStringList(arguments);
}

} // namespace

TEST_F(FxPlugRegistrarTest, RegistersAStandalonePluginWithTheRegistrySequence) {
    // GIVEN a standalone plug-in the registry lists once added
    const QString plugin = installRoot + "/countdown/CountdownPro.pluginkit";
    makeBundle(plugin, identifier);
    registryLists({plugin});

    // WHEN it is registered
    const InstallFailure failure = registrar.registerPlugin(plugin);

    // THEN the registry calls follow the stale check, add, elect, recheck, verify sequence, and
    // Launch Services is not involved
    ASSERT_FALSE(failure) << describe(*failure).toStdString();
    EXPECT_EQ(pluginkit.calls(),
              (QList<QStringList>{call({"-m", "-D", "-v", "-i", identifier}), call({"-a", plugin}),
                                  call({"-e", "use", "-i", identifier, "-p", "FxPlug"}),
                                  call({"-m", "-D", "-v", "-i", identifier}),
                                  call({"-m", "-A", "-D", "-v", "-i", identifier})}));
    EXPECT_TRUE(lsregister.calls().isEmpty());
}

TEST_F(FxPlugRegistrarTest, GivesUpQuietlyAfterThreeAttemptsTheRegistryNeverLists) {
    const QString plugin = installRoot + "/countdown/CountdownPro.pluginkit";
    makeBundle(plugin, identifier);

    EXPECT_FALSE(registrar.registerPlugin(plugin));
    EXPECT_EQ(pluginkit.callsWith("-a").size(), 3);
    EXPECT_EQ(pluginkit.callsWith("-e").size(), 3);
}

TEST_F(FxPlugRegistrarTest, AddsAPluginWithoutIdentifierExactlyOnce) {
    const QString plugin = installRoot + "/anonymous/Anonymous.pluginkit";
    makeBundle(plugin, QString());

    EXPECT_FALSE(registrar.registerPlugin(plugin));
    EXPECT_EQ(pluginkit.calls(), QList<QStringList>{call({"-a", plugin})});
}

TEST_F(FxPlugRegistrarTest, RemovesRegistrationsOfOtherCopiesBeforeAddingAndAfterElecting) {
    // GIVEN the registry lists the identifier at the kept path and at an old copy
    const QString plugin = installRoot + "/countdown/CountdownPro.pluginkit";
    const QString oldCopy = home.filePath("home/Old/CountdownPro.pluginkit");
    makeBundle(plugin, identifier);
    registryLists({plugin, oldCopy});

    ASSERT_FALSE(registrar.registerPlugin(plugin));

    // THEN the old copy is removed before the add and again after the election
    QStringList modes;
    for (const QStringList& arguments : pluginkit.calls()) {
        modes.append(arguments.first() == "-r" ? "-r " + arguments.at(1) : arguments.first());
    }
    EXPECT_EQ(modes, (QStringList{"-m", "-r " + oldCopy, "-a", "-e", "-m", "-r " + oldCopy, "-m"}));
}

TEST_F(FxPlugRegistrarTest, FailingToolGivesTheHelperMessageWithExitCodeAndTrimmedOutput) {
    struct Case {
        QByteArray output;
        QString expectedTail;
    };
    const QString plugin = installRoot + "/countdown/CountdownPro.pluginkit";
    makeBundle(plugin, identifier);
    for (const Case& test :
         {Case{"\n  registry refused the bundle \n", ": registry refused the bundle"},
          Case{"", "."}}) {
        // GIVEN pluginkit -a fails with exit status 5
        pluginkit.fail("-a", 5, test.output);
        // WHEN the plug-in is registered
        const InstallFailure failure = registrar.registerPlugin(plugin);
        // THEN the failure names the plug-in, the status and the output
        ASSERT_TRUE(failure);
        ASSERT_TRUE(std::holds_alternative<RegistrationError>(*failure));
        EXPECT_EQ(describe(*failure), "Launch Services registration helper failed for " + plugin +
                                          " with exit code 5" + test.expectedTail);
    }
}

TEST_F(FxPlugRegistrarTest, RegistersAnApplicationAndItsEmbeddedPluginsWithLaunchServicesAround) {
    // GIVEN an application carrying two plug-ins the registry lists at once
    const QString application = installRoot + "/color-suite/ColorSuite.app";
    const QString curves = application + "/Contents/PlugIns/Curves.pluginkit";
    const QString hue = application + "/Contents/PlugIns/Grading/HueVsHue.pluginkit";
    makeBundle(application, "studio.marlox.color-suite");
    makeBundle(curves, identifier);
    makeBundle(hue, identifier);
    registryLists({curves, hue});

    ASSERT_FALSE(registrar.registerApplication(application));

    // THEN lsregister runs for the application once up front, then before each plug-in and in
    // its one successful attempt
    EXPECT_EQ(lsregister.calls().size(), 5);
    for (const QStringList& arguments : lsregister.calls()) {
        EXPECT_EQ(arguments, call({"-f", "-R", application}));
    }
    const auto adds = pluginkit.callsWith("-a");
    ASSERT_EQ(adds.size(), 2);
    EXPECT_EQ(adds.at(0).at(1), curves);
    EXPECT_EQ(adds.at(1).at(1), hue);
}

TEST_F(FxPlugRegistrarTest, LaunchServicesFailureStopsBeforeAnyPlugin) {
    const QString application = installRoot + "/color-suite/ColorSuite.app";
    makeBundle(application, "studio.marlox.color-suite");
    makeBundle(application + "/Contents/PlugIns/Curves.pluginkit", identifier);
    lsregister.fail("-f", 3, "database locked");

    const InstallFailure failure = registrar.registerApplication(application);

    ASSERT_TRUE(failure);
    EXPECT_EQ(describe(*failure), "Launch Services registration helper failed for " + application +
                                      " with exit code 3: database locked");
    EXPECT_TRUE(pluginkit.calls().isEmpty());
}

TEST_F(FxPlugRegistrarTest, ReadsPathsFromQueryLinesFromTheirFirstSlash) {
    const QString real = home.filePath("home/Real/A.pluginkit");
    makeBundle(real, identifier);
    QFile::link(home.filePath("home/Real"), home.filePath("home/Link"));
    pluginkit.reply("-m", "no path on this line\n\n"
                          "!    id(2.0)\tUUID\tdate\t   " +
                              home.filePath("home/Link/A.pluginkit").toUtf8() +
                              "   \n"
                              "     /gone/B.pluginkit\n");

    EXPECT_EQ(registrar.registeredPaths(identifier, real),
              (QStringList{real, "/gone/B.pluginkit"}));
}

TEST_F(FxPlugRegistrarTest, FailedQueryListsNothing) {
    pluginkit.reply("-m", registryLine(identifier, "/some/A.pluginkit"));
    pluginkit.fail("-m", 1);
    EXPECT_TRUE(registrar.registeredPaths(identifier, "/some/A.pluginkit").isEmpty());
    EXPECT_FALSE(registrar.isRegistered(identifier, "/some/A.pluginkit"));
}

TEST_F(FxPlugRegistrarTest, UnregistersDerivedDataCopiesOfTheSameIdentifierOnly) {
    // GIVEN developer builds of the same plug-in, of another plug-in, and a link to the
    // installed copy in the developer tools' folder
    const QString plugin = installRoot + "/countdown/CountdownPro.pluginkit";
    makeBundle(plugin, identifier);
    const QString derivedData = home.filePath("home/Library/Developer/Xcode/DerivedData");
    const QString sameIdentifier =
        derivedData + "/Countdown-abc/Build/Products/Debug/CountdownPro.pluginkit";
    makeBundle(sameIdentifier, identifier);
    makeBundle(derivedData + "/Other-def/Build/Other.pluginkit", "studio.marlox.other");
    QDir().mkpath(derivedData + "/Links");
    QFile::link(plugin, derivedData + "/Links/Installed.pluginkit");
    registryLists({plugin});

    ASSERT_FALSE(registrar.registerPlugin(plugin));

    EXPECT_EQ(pluginkit.callsWith("-r"), QList<QStringList>{call({"-r", sameIdentifier})});
}

TEST(FxPlugRegistrarPathsTest, FindsTheEnclosingApplicationByItsFirstAppComponent) {
    struct Case {
        QString path;
        std::optional<QString> expected;
    };
    for (const Case& test : {
             Case{"/a/Suite.app/Contents/PlugIns/X.pluginkit", "/a/Suite.app"},
             Case{"/a/Outer.app/Contents/Inner.app/Contents/PlugIns/X.pluginkit", "/a/Outer.app"},
             Case{"/a/Suite.APP/Contents/PlugIns/X.pluginkit", std::nullopt},
             Case{"/a/Marlox Studio Plugins/pkg/X.pluginkit", std::nullopt},
         }) {
        EXPECT_EQ(FxPlugRegistrar::enclosingApplicationBundle(test.path), test.expected)
            << test.path.toStdString();
    }
}

TEST(FxPlugRegistrarPathsTest, FindsEmbeddedPluginsWithTheLowerCaseExtensionOutsideHiddenFolders) {
    marlox::testing::ScratchHome home;
    const QString application = home.filePath("Suite.app");
    for (const char* plugin :
         {"Contents/PlugIns/B.pluginkit", "Contents/PlugIns/Deep/A.pluginkit",
          "Contents/PlugIns/Upper.PLUGINKIT", "Contents/PlugIns/.cache/H.pluginkit",
          "Contents/Resources/R.pluginkit"}) {
        makeBundle(application + "/" + plugin, identifier);
    }

    EXPECT_EQ(FxPlugRegistrar::embeddedPlugins(application),
              (QStringList{application + "/Contents/PlugIns/B.pluginkit",
                           application + "/Contents/PlugIns/Deep/A.pluginkit"}));
    EXPECT_TRUE(FxPlugRegistrar::embeddedPlugins(home.filePath("Missing.app")).isEmpty());
}

TEST_F(FxPlugRegistrarTest, ToolThatCannotStartFailsTheRegistration) {
    const QString plugin = installRoot + "/countdown/CountdownPro.pluginkit";
    makeBundle(plugin, identifier);
    const FxPlugRegistrar missingTools(std::make_shared<marlox::platform::SystemProcessRunner>(),
                                       home.filePath("no/pluginkit"), lsregister.path());

    const InstallFailure failure = missingTools.registerPlugin(plugin);

    ASSERT_TRUE(failure);
    EXPECT_TRUE(std::holds_alternative<SystemError>(*failure));
    EXPECT_TRUE(describe(*failure).contains(home.filePath("no/pluginkit")));
}
