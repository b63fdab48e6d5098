#include "InstallTestSupport.h"
#include "catalog/CatalogManifest.h"
#include "catalog/Environment.h"
#include "catalog/InstallLocations.h"
#include "install/InstallEngine.h"
#include "platform/Bundle.h"
#include "platform/SystemTools.h"
#include "support/QtPrinters.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace marlox::catalog;
using namespace marlox::install;
using marlox::testing::builtInPackages;
using marlox::testing::registeredPluginLines;

namespace {

class NothingRunning final : public marlox::platform::ProcessLister {
public:
    QList<marlox::platform::RunningApplication> runningApplications(const QString&,
                                                                    const QString&) const override {
        return {};
    }
};

} // namespace

TEST(BuiltInPayloadsTest, EveryPayloadTheCatalogNamesIsInTheBundle) {
    marlox::testing::ScratchHome home;
    const QString resources = marlox::platform::Bundle::main().resourcePath();
    int payloads = 0;
    for (const PackageManifest& package : builtInPackages()) {
        for (const std::optional<QString>& path :
             {std::optional<QString>(package.bundlePayloadPath),
              package.motionTemplatePayloadPath}) {
            if (hasNonBlankText(path)) {
                ++payloads;
                EXPECT_TRUE(QFileInfo::exists(resources + "/" + path->trimmed()))
                    << package.id.toStdString() << ": " << path->toStdString();
            }
        }
    }
    EXPECT_EQ(payloads, 13);
}

TEST(BuiltInPayloadsTest, EveryBundleInThePayloadsHasAnIdentifierAndAnExecutable) {
    marlox::testing::ScratchHome home;
    QDirIterator items(marlox::platform::Bundle::main().resourcePath() + "/Payloads",
                       QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList bundles;
    while (items.hasNext()) {
        const QString path = items.next();
        if (!path.endsWith(".pluginkit") && !path.endsWith(".app")) {
            continue;
        }
        bundles.append(QFileInfo(path).fileName());
        const auto bundle = marlox::platform::Bundle::load(path);
        ASSERT_TRUE(bundle);
        EXPECT_FALSE(bundle->bundleIdentifier().isEmpty()) << path.toStdString();
        const QString executable = bundle->infoValue("CFBundleExecutable").toString();
        EXPECT_TRUE(QFileInfo(path + "/Contents/MacOS/" + executable).isExecutable())
            << path.toStdString();
    }
    // Seven standalone plug-ins and an application that carries two more.
    EXPECT_EQ(bundles.size(), 10) << bundles.join(", ").toStdString();
    EXPECT_TRUE(bundles.contains("ColorSuiteCurves.pluginkit"));
}

using BuiltInInstallTest = marlox::testing::ScratchHomeTest;

TEST_F(BuiltInInstallTest, InstallsAndRemovesEveryBuiltInPackageWithTheBundledTools) {
    // GIVEN the engine with the bundle's own ditto, pluginkit and lsregister
    const InstallEngine engine(HostApplicationGuard(std::make_shared<NothingRunning>()),
                               std::make_shared<marlox::platform::SystemProcessRunner>(),
                               InstallTools::systemDefaults());
    const QString installRoot = installFolderPath();
    const QString templatesRoot = home.filePath("home/Movies/Motion Templates.localized");

    // WHEN every package of the built-in catalog is installed
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

    // THEN zips are expanded without their resource forks, bundles keep their links, modes and
    // hidden files, templates sit in their folders, and every plug-in is registered for use
    const QString grid = installRoot + "/studio.marlox.grid-layout";
    EXPECT_EQ(QDir(grid).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"GridLayout.pluginkit"});
    const QString suite = installRoot + "/studio.marlox.color-suite/ColorSuite.app/Contents";
    EXPECT_EQ(QFileInfo(suite + "/Frameworks/ColorCore.framework/Versions/Current").symLinkTarget(),
              suite + "/Frameworks/ColorCore.framework/Versions/A");
    EXPECT_TRUE(QFileInfo(suite + "/MacOS/ColorSuite").isExecutable());
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
