#include "catalog/Environment.h"

#include "CatalogTestSupport.h"
#include "support/CatalogFixtures.h"

using namespace marlox::catalog;
using namespace marlox::platform;
using namespace marlox::testing;

namespace {

class EnvironmentTest : public ScratchHomeTest {
protected:
    // A bundle whose Info.plist holds `info`.
    Bundle bundleWith(const QVariantMap& info) { return scratchBundle(home, info, "Test.app"); }
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
        const Bundle bundle = bundleWith(info);
        EXPECT_EQ(isDeveloperBuild(bundle), developer);
        EXPECT_EQ(applicationSupportDirectory(bundle),
                  supportRoot() + (developer ? "/MarloxStudioDeveloper" : "/MarloxStudio"));
    }
    // The built bundle is a release build: its log lies in its support folder, and the records
    // of every build in the release one.
    EXPECT_EQ(operationsLogFilePath(), applicationSupportDirectory() + "/Logs/operations.log");
    EXPECT_EQ(installedRecordsFileURL(), supportRoot() + "/MarloxStudio/installed.json");
    const Bundle developer = bundleWith({{"CFBundleIdentifier", "a.developer"}});
    ASSERT_FALSE(ensureApplicationDirectories(developer).has_value());
    EXPECT_EQ(treeOf(supportRoot()),
              QStringList({"MarloxStudio", "MarloxStudioDeveloper", "MarloxStudioDeveloper/Cache",
                           "MarloxStudioDeveloper/Logs"}));
}

TEST_F(EnvironmentTest, EnsureDirectoriesStopsAtAFileStandingInTheWay) {
    writeFile(supportRoot() + "/MarloxStudio/Cache", "a file, not a folder");
    EXPECT_EQ(ensureApplicationDirectories()->path, supportRoot() + "/MarloxStudio/Cache");
    EXPECT_FALSE(QFileInfo::exists(supportRoot() + "/MarloxStudio/Logs"));
}

TEST_F(EnvironmentTest, LooksUpResourcesInTheMainBundleBeforeResourceBundles) {
    // GIVEN a main bundle holding a resource also held by the second resource bundle
    const Bundle main = bundleWith({});
    const QString resources = main.bundlePath() + "/Contents/Resources";
    const QString first = resources + "/MarloxStudio_MarloxStudioApp.bundle";
    const QString second = resources + "/MarloxStudio_MarloxStudio.bundle";
    writeFile(resources + "/shared.json", "main");
    writeFile(second + "/Contents/Resources/shared.json", "second");
    writeFile(second + "/Contents/Resources/only.json", "second");
    const auto found = [&main] {
        QStringList paths;
        for (const Bundle& bundle : candidateResourceBundles(main)) {
            paths.append(bundle.bundlePath());
        }
        return paths << urlForResource(main, "shared", "json")
                     << urlForResource(main, "only", "json")
                     << urlForResource(main, "absent", "json")
                     << QString::number(resourceDirectoryURLs(main).size());
    };
    EXPECT_EQ(found(), QStringList({home.filePath("Test.app"), second, resources + "/shared.json",
                                    second + "/Contents/Resources/only.json", "", "2"}));

    // WHEN the first resource bundle appears THEN it comes before the second
    writeFile(first + "/Contents/Resources/only.json", "first");
    EXPECT_EQ(found(),
              QStringList({home.filePath("Test.app"), first, second, resources + "/shared.json",
                           first + "/Contents/Resources/only.json", "", "3"}));

    // WHEN the main bundle has no resource folder THEN it is the only candidate, without resources
    QDir(resources).removeRecursively();
    EXPECT_EQ(found(), QStringList({home.filePath("Test.app"), "", "", "", "0"}));
}

} // namespace
