#include "platform/SystemTools.h"

#include "InstallTestSupport.h"
#include "install/FxPlugRegistrar.h"
#include "platform/ProcessRunner.h"
#include "support/ScratchHome.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

using marlox::platform::ProcessResult;
using marlox::platform::SystemProcessRunner;
using marlox::testing::makeBundle;

namespace {

class SystemToolsTest : public marlox::testing::ScratchHomeTest {
protected:
    ProcessResult pluginkit(const QStringList& arguments) {
        return SystemProcessRunner().run(marlox::platform::pluginkitToolPath(), arguments);
    }
    ProcessResult lsregister(const QStringList& arguments) {
        return SystemProcessRunner().run(marlox::platform::lsregisterToolPath(), arguments);
    }
    QStringList lines(const ProcessResult& result) {
        return QString::fromUtf8(result.standardOutput).split('\n', Qt::SkipEmptyParts);
    }
    QString dataFile(const QString& relative) {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/" +
               relative;
    }
};

} // namespace

TEST_F(SystemToolsTest, ToolsLiveInTheBundlesExecutableFolder) {
    for (const QString& tool :
         {marlox::platform::pluginkitToolPath(), marlox::platform::lsregisterToolPath()}) {
        EXPECT_TRUE(tool.startsWith(marlox::testing::builtBundlePath() + "/Contents/MacOS/"));
        EXPECT_TRUE(QFileInfo(tool).isExecutable()) << tool.toStdString();
    }
}

TEST_F(SystemToolsTest, PluginkitKeepsARegistryOfAddedElectedAndRemovedPlugins) {
    // GIVEN two versions of one plug-in and another plug-in
    const QString older = home.filePath("a/Grade.pluginkit");
    const QString newer = home.filePath("b/Grade.pluginkit");
    const QString other = home.filePath("c/Key.pluginkit");
    makeBundle(older, "studio.marlox.grade", "1.9");
    makeBundle(newer, "studio.marlox.grade", "1.10");
    makeBundle(other, "studio.marlox.key", "1.0");

    // WHEN they are added
    ASSERT_TRUE(pluginkit({"-a", older, newer, other}).succeeded());

    // THEN a plain query shows the highest version only, and -A -D every copy with its path
    EXPECT_EQ(lines(pluginkit({"-m", "-i", "studio.marlox.grade"})),
              QStringList{"     studio.marlox.grade(1.10)"});
    const QStringList all = lines(pluginkit({"-m", "-A", "-D", "-v", "-i", "studio.marlox.grade"}));
    ASSERT_EQ(all.size(), 2);
    EXPECT_TRUE(all.at(0).endsWith("\t" + older) || all.at(1).endsWith("\t" + older));
    EXPECT_TRUE(all.at(0).endsWith("\t" + newer) || all.at(1).endsWith("\t" + newer));
    EXPECT_TRUE(QFile::exists(dataFile("pluginkit/registry.json")));

    // WHEN one is elected for use under its protocol and the other copy removed
    ASSERT_TRUE(pluginkit({"-e", "use", "-i", "studio.marlox.key", "-p", "Other"}).exitCode != 0)
        << "a protocol the bundle does not declare matches nothing";
    ASSERT_TRUE(pluginkit({"-e", "use", "-i", "studio.marlox.grade", "-p", "FxPlug"}).succeeded());
    ASSERT_TRUE(pluginkit({"-r", older}).succeeded());

    // THEN the election shows as "+" and the removed copy is gone
    EXPECT_EQ(lines(pluginkit({"-m", "-A", "-D", "-i", "studio.marlox.grade"})),
              QStringList{"+    studio.marlox.grade(1.10)"});
    EXPECT_EQ(lines(pluginkit({"-m"})).size(), 2);
}

TEST_F(SystemToolsTest, PluginkitForgetsPluginsDeletedFromDisk) {
    const QString plugin = home.filePath("a/Grade.pluginkit");
    makeBundle(plugin, "studio.marlox.grade");
    ASSERT_TRUE(pluginkit({"-a", plugin}).succeeded());
    ASSERT_EQ(lines(pluginkit({"-m"})).size(), 1);

    QDir(home.filePath("a")).removeRecursively();

    EXPECT_TRUE(lines(pluginkit({"-m"})).isEmpty());
}

TEST_F(SystemToolsTest, PluginkitRefusesWhatItCannotRegister) {
    struct Case {
        const char* name;
        QStringList arguments;
        int exitCode;
    };
    makeBundle(home.filePath("Anonymous.pluginkit"), QString());
    for (const Case& test : {
             Case{"no identifier", {"-a", home.filePath("Anonymous.pluginkit")}, 1},
             Case{"missing bundle", {"-a", home.filePath("Missing.pluginkit")}, 1},
             Case{"unknown election", {"-e", "maybe", "-i", "x"}, 64},
             Case{"election of an unknown plug-in", {"-e", "use", "-i", "x"}, 1},
             Case{"no mode", {"-v"}, 64},
         }) {
        const ProcessResult result = pluginkit(test.arguments);
        EXPECT_EQ(result.exitCode, test.exitCode) << test.name;
        EXPECT_FALSE(result.standardError.isEmpty()) << test.name;
    }
    EXPECT_TRUE(lines(pluginkit({"-m"})).isEmpty());
}

TEST_F(SystemToolsTest, LsregisterRecordsTheApplicationsItIsGiven) {
    const QString application = home.filePath("Apps/ColorSuite.app");
    makeBundle(application, "studio.marlox.color-suite", "4.0.2");

    ASSERT_TRUE(lsregister({"-f", "-R", application}).succeeded());
    ASSERT_TRUE(lsregister({"-f", "-R", application}).succeeded());
    const ProcessResult missing = lsregister({"-f", home.filePath("Apps/Missing.app")});

    EXPECT_EQ(missing.exitCode, 1);
    const QString dump = QString::fromUtf8(lsregister({"-dump"}).standardOutput);
    EXPECT_EQ(dump.count("path:"), 1) << dump.toStdString();
    EXPECT_TRUE(dump.contains(application));
    EXPECT_TRUE(dump.contains("studio.marlox.color-suite"));

    ASSERT_TRUE(lsregister({"-u", application}).succeeded());
    EXPECT_FALSE(QString::fromUtf8(lsregister({"-dump"}).standardOutput).contains(application));
}

TEST_F(SystemToolsTest, RegistrarWithTheBundledToolsLeavesThePluginElectedForUse) {
    // GIVEN an application with an embedded FxPlug plug-in
    const QString application =
        home.filePath("home/Applications/Marlox Studio Plugins/suite/Suite.app");
    const QString plugin = application + "/Contents/PlugIns/Curves.pluginkit";
    makeBundle(application, "studio.marlox.suite");
    makeBundle(plugin, "studio.marlox.suite.curves");
    const marlox::install::FxPlugRegistrar registrar(std::make_shared<SystemProcessRunner>(),
                                                     marlox::platform::pluginkitToolPath(),
                                                     marlox::platform::lsregisterToolPath());

    // WHEN the application is registered
    const auto failure = registrar.registerApplication(application);

    // THEN Launch Services knows the application and the registry lists the plug-in for use
    ASSERT_FALSE(failure) << marlox::install::describe(*failure).toStdString();
    EXPECT_TRUE(QString::fromUtf8(lsregister({"-dump"}).standardOutput).contains(application));
    const QStringList listed = lines(pluginkit({"-m", "-v", "-i", "studio.marlox.suite.curves"}));
    ASSERT_EQ(listed.size(), 1);
    EXPECT_TRUE(listed.first().startsWith("+"));
    EXPECT_TRUE(listed.first().endsWith("\t" + plugin));
}
