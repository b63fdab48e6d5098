#include "InstallTestSupport.h"
#include "platform/Bundle.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace marlox::catalog;
using namespace marlox::install;
using namespace marlox::testing;

using BuiltInInstallTest = ScratchHomeTest;

TEST_F(BuiltInInstallTest, InstallsAndRemovesEveryBuiltInPackageWithTheBundledTools) {
    // GIVEN the engine with the bundle's own ditto, pluginkit and lsregister
    const InstallEngine engine(HostApplicationGuard(std::make_shared<FakeProcessLister>()),
                               std::make_shared<marlox::platform::SystemProcessRunner>(),
                               InstallTools::systemDefaults());
    const QString installRoot = installFolderPath();
    const QString templatesRoot = home.filePath("home/Movies/Motion Templates.localized");

    // WHEN every package of the built-in catalog is installed from the payloads it names
    QList<InstalledPackage> records;
    for (const PackageManifest& package : builtInPackages()) {
        const auto result = engine.install(
            package, installRoot,
            package.hasMotionTemplatePayload() ? std::optional(templatesRoot) : std::nullopt,
            std::nullopt, std::nullopt);
        ASSERT_TRUE(result) << package.id.toStdString() << ": "
                            << describe(result.error()).toStdString();
        records.append({package.id,
                        package.version,
                        {},
                        package.type,
                        result->installPath,
                        result->templateInstallPaths});
    }

    // THEN every bundle, zipped or not, arrives with its identifier and an executable
    QStringList bundles;
    for (QDirIterator items(installRoot, QDir::Dirs | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
         items.hasNext();) {
        const QString path = items.next();
        if (!path.endsWith(".pluginkit") && !path.endsWith(".app")) {
            continue;
        }
        bundles.append(QFileInfo(path).fileName());
        const auto bundle = marlox::platform::Bundle::load(path);
        ASSERT_TRUE(bundle) << path.toStdString();
        EXPECT_FALSE(bundle->bundleIdentifier().isEmpty()) << path.toStdString();
        EXPECT_TRUE(QFileInfo(path + "/Contents/MacOS/" +
                              bundle->infoValue("CFBundleExecutable").toString())
                        .isExecutable())
            << path.toStdString();
    }
    // Nine standalone plug-ins, two of them zipped, and an application that carries two more.
    EXPECT_EQ(bundles.size(), 12) << bundles.join(", ").toStdString();
    // zips are expanded without their resource forks, bundles keep their links and hidden files,
    // templates sit in their folders, and every plug-in is registered for use
    const QString grid = installRoot + "/studio.marlox.grid-layout";
    EXPECT_EQ(QDir(grid).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"GridLayout.pluginkit"});
    const QString suite = installRoot + "/studio.marlox.color-suite/ColorSuite.app/Contents";
    EXPECT_EQ(QFileInfo(suite + "/Frameworks/ColorCore.framework/Versions/Current").symLinkTarget(),
              suite + "/Frameworks/ColorCore.framework/Versions/A");
    EXPECT_TRUE(QFileInfo::exists(suite + "/Resources/.presets"));
    EXPECT_EQ(records.at(2).installPath, QString()) << "Kinetic Titles only carries templates";
    EXPECT_EQ(records.at(2).templateInstallPaths,
              QStringList{templatesRoot + "/Titles/Marlox Studio/KineticTitles"});
    EXPECT_EQ(
        records.at(7).templateInstallPaths,
        (QStringList{templatesRoot + "/Generators/Marlox Studio/Frame Kit/Frame Kit Borders",
                     templatesRoot + "/Generators/Marlox Studio/Frame Kit/Frame Kit Splits"}));
    EXPECT_FALSE(QFileInfo::exists(templatesRoot + "/Generators/Marlox Studio/Frame Kit/__MACOSX"));
    const QStringList registered = registeredPluginLines();
    EXPECT_EQ(registered.size(), 11) << registered.join('\n').toStdString();
    for (const QString& line : registered) {
        EXPECT_TRUE(line.startsWith('+')) << line.toStdString();
    }

    // WHEN every package is removed again
    for (const InstalledPackage& record : records) {
        const auto failure = engine.uninstall(record);
        ASSERT_FALSE(failure) << record.id.toStdString() << ": "
                              << describe(*failure).toStdString();
    }

    // THEN the shared folder and the template folders are gone, the libraries stay, and the
    // registry is empty
    EXPECT_FALSE(QFileInfo::exists(installRoot));
    EXPECT_TRUE(QFileInfo(home.filePath("home/Applications")).isDir());
    EXPECT_TRUE(
        QDir(templatesRoot).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_TRUE(registeredPluginLines().isEmpty());
}
