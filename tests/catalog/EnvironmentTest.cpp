#include "catalog/Environment.h"

#include "CatalogTestSupport.h"
#include "platform/PropertyList.h"

using namespace marlox::catalog;
using namespace marlox::platform;
using namespace marlox::testing;

namespace {

class EnvironmentTest : public ScratchHomeTest {
protected:
    // A main bundle whose Info.plist holds `info`.
    QString useMainBundle(const QVariantMap& info) {
        const QString path = home.filePath("Test.app");
        writeFile(path + "/Contents/Info.plist", binaryPropertyList(info));
        QDir().mkpath(path + "/Contents/Resources");
        Bundle::setMainBundlePath(path);
        return path;
    }
    QString supportRoot() const { return home.path() + "/home/.local/share"; }
};

TEST_F(EnvironmentTest, DeveloperBuildMovesSupportFolderAndLogButNotInstalledRecords) {
    // The identifier, display name and name of the bundle (empty ones left out).
    const std::tuple<QString, QString, QString, bool> cases[] = {
        {"studio.marlox.MarloxStudio.developer", "", "", true},
        {"studio.marlox.MarloxStudio.Developer", "Marlox Studio", "", false},
        {"studio.marlox.MarloxStudio", "Marlox Studio DEVELOPER", "", true},
        {"", "", "", false},
        {"", "", "Marlox developerish", true},
    };
    for (const auto& [identifier, displayName, name, developer] : cases) {
        SCOPED_TRACE((identifier + displayName + name).toStdString());
        QVariantMap info{{"CFBundleIdentifier", identifier},
                         {"CFBundleDisplayName", displayName},
                         {"CFBundleName", name}};
        info.removeIf([](const auto& entry) { return entry.value().toString().isEmpty(); });
        useMainBundle(info);
        EXPECT_EQ(isDeveloperBuild(), developer);
        const QString support =
            supportRoot() + (developer ? "/MarloxStudioDeveloper" : "/MarloxStudio");
        EXPECT_EQ(applicationSupportDirectory(), support);
        EXPECT_EQ(operationsLogFilePath(), support + "/Logs/operations.log");
        EXPECT_EQ(installedRecordsFileURL(), supportRoot() + "/MarloxStudio/installed.json");
    }
    ASSERT_FALSE(ensureApplicationDirectories().has_value());
    EXPECT_EQ(treeOf(supportRoot()),
              QStringList({"MarloxStudio", "MarloxStudioDeveloper", "MarloxStudioDeveloper/Cache",
                           "MarloxStudioDeveloper/Logs"}));
}

TEST_F(EnvironmentTest, EnsureDirectoriesStopsAtAFileStandingInTheWay) {
    useMainBundle({});
    writeFile(supportRoot() + "/MarloxStudio/Cache", "a file, not a folder");
    EXPECT_EQ(ensureApplicationDirectories()->path, supportRoot() + "/MarloxStudio/Cache");
    EXPECT_FALSE(QFileInfo::exists(supportRoot() + "/MarloxStudio/Logs"));
}

TEST_F(EnvironmentTest, DisplayNameFallsBackInOrderAndKeepsAnEmptyName) {
    useMainBundle({{"CFBundleDisplayName", ""}, {"CFBundleName", "Name"}});
    EXPECT_EQ(appDisplayName(), "");
    useMainBundle({{"CFBundleDisplayName", qint64(3)}, {"CFBundleName", "Name"}});
    EXPECT_EQ(appDisplayName(), "Name");
    useMainBundle({});
    EXPECT_EQ(appDisplayName(), "Marlox Studio");
}

TEST_F(EnvironmentTest, ReadsDistributionUrlsTrimmedAndOnlyFromStrings) {
    // The values of the remote catalog and the appcast feed keys, and the remote URL read.
    const std::tuple<QVariant, QVariant, std::optional<QUrl>> cases[] = {
        {" \n https://example.com/c.json\t\n", "   ", QUrl("https://example.com/c.json")},
        {qint64(5), "http://[bad", std::nullopt},
    };
    for (const auto& [remote, appcast, expected] : cases) {
        useMainBundle({{"MarloxRemoteCatalogURL", remote}, {"MarloxAppcastFeedURL", appcast}});
        const DistributionConfiguration configuration(Bundle::main());
        EXPECT_EQ(configuration.remoteCatalogURL, expected);
        EXPECT_EQ(configuration.appcastFeedURL, std::nullopt);
    }
}

TEST_F(EnvironmentTest, LooksUpResourcesInTheMainBundleBeforeResourceBundles) {
    const QString path = useMainBundle({});
    const QString resources = path + "/Contents/Resources";
    const QString second = resources + "/MarloxStudio_MarloxStudio.bundle/Contents/Resources";
    writeFile(resources + "/shared.json", "main");
    writeFile(second + "/shared.json", "second");
    writeFile(second + "/only.json", "second");

    const auto bundles = candidateResourceBundles();
    ASSERT_EQ(bundles.size(), 2);
    EXPECT_EQ(bundles[0].bundlePath(), path);
    EXPECT_TRUE(bundles[1].bundlePath().endsWith("MarloxStudio_MarloxStudio.bundle"));
    EXPECT_EQ(urlForResource("shared", "json"), resources + "/shared.json");
    EXPECT_TRUE(urlForResource("only", "json").contains("MarloxStudio_MarloxStudio.bundle"));
    EXPECT_TRUE(urlForResource("absent", "json").isEmpty());
    EXPECT_EQ(resourceDirectoryURLs().size(), 2);

    writeFile(resources + "/MarloxStudio_MarloxStudioApp.bundle/Contents/Resources/only.json",
              "first");
    EXPECT_EQ(candidateResourceBundles().size(), 3);
    EXPECT_TRUE(urlForResource("only", "json").contains("MarloxStudio_MarloxStudioApp.bundle"));

    // A main bundle without a resource folder is the only candidate and has no resources.
    QDir(resources).removeRecursively();
    ASSERT_EQ(candidateResourceBundles().size(), 1);
    EXPECT_TRUE(resourceDirectoryURLs().isEmpty());
}

} // namespace
