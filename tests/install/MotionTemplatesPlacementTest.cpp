#include "install/MotionTemplatesPlacement.h"

#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "support/InstallTestSupport.h"
#include "support/QtPrinters.h"

#include <QJsonObject>

using namespace marlox::install;
using namespace marlox::testing;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;

namespace {

using MotionTemplatesPlacementTest = EngineTest;

} // namespace

TEST_F(MotionTemplatesPlacementTest, TargetsTheTypeAndVendorFoldersOfTheBuild) {
    PackageManifest blur = package("blur", "Payloads/Blur");
    EXPECT_EQ(*templateTargetDirectory(blur, std::nullopt),
              templatesRoot + "/Generators.localized/Marlox Studio/Blur");
    blur.type = PackageType::filter;
    EXPECT_EQ(*templateTargetDirectory(blur, "/Library/Motion Templates.localized"),
              "/Library/Motion Templates.localized/Effects.localized/Marlox Studio/Blur");
    // A templates-only package has no type folder: without a subpath it has no target.
    PackageManifest titles = package("titles", "", PackageType::template_);
    titles.motionTemplatePayloadPath = "T";
    const auto none = templateTargetDirectory(titles, std::nullopt);
    ASSERT_FALSE(none);
    EXPECT_EQ(description(none.error()),
              "Motion template install target is not defined for package type template.");

    // A developer build puts its own vendor folder in place of either.
    writeFile(home.filePath("Developer.app/Contents/Info.plist"),
              marlox::platform::xmlPropertyList(
                  {{"CFBundleIdentifier", "studio.marlox.MarloxStudio.developer"}}));
    const auto developer = *marlox::platform::Bundle::load(home.filePath("Developer.app"));
    EXPECT_EQ(*templateTargetDirectory(blur, std::nullopt, developer),
              templatesRoot + "/Effects.localized/Marlox Studio Developer/Blur");
    blur.motionTemplateInstallSubpath = "  Titles/Marlox Studio/Kinetic \n";
    EXPECT_EQ(*templateTargetDirectory(blur, std::nullopt, developer),
              templatesRoot + "/Titles/Marlox Studio Developer/Kinetic");
}

TEST_F(MotionTemplatesPlacementTest, TheCategoryNamesItsFolderAsTheCatalogWritesIt) {
    // GIVEN a package read from a catalog whose category holds characters a screen leaves out
    const QString category = QString::fromUtf16(u"Blur \u202Eno\u202C");
    QJsonObject written = marlox::catalog::encodePackageManifest(package("blur", "Payloads/Blur"));
    written.insert("category", category);
    const auto read = marlox::catalog::decodePackageManifest(written);
    ASSERT_TRUE(read);

    // THEN its templates go into the folder the catalog names, not the one a screen shows
    EXPECT_EQ(*templateTargetDirectory(*read, std::nullopt),
              templatesRoot + "/Generators.localized/Marlox Studio/" + category);
}

TEST_F(MotionTemplatesPlacementTest,
       NormalizingASubpathPutsTheRunningBuildsVendorInTheSecondPlaceOnly) {
    for (const auto& [subpath, expected] : QList<std::pair<QString, QString>>{
             {"Titles/Marlox Studio Developer/Theme", "Titles/Marlox Studio/Theme"},
             {"Titles/Marlox Studio", "Titles/Marlox Studio"},
             {"Marlox Studio Developer/Titles", "Marlox Studio Developer/Titles"},
             {"Titles", "Titles"},
             {"/Marlox Studio Developer/x/", "/Marlox Studio/x/"},
             {"Titles//Marlox Studio Developer", "Titles//Marlox Studio Developer"},
             {"Titles/marlox studio developer", "Titles/marlox studio developer"},
         }) {
        EXPECT_EQ(normalizeTemplateSubpath(subpath), expected) << subpath.toStdString();
    }
}
