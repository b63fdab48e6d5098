#include "InstallTestSupport.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFileInfo>

using namespace marlox::install;
using namespace marlox::testing;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;

namespace {

class MotionTemplatesTest : public EngineTest {
protected:
    // A templates-only package that places the templates at the payload path under the subpath.
    PackageManifest templatesPackage(const QString& templatePath,
                                     std::optional<QString> subpath = std::nullopt) {
        PackageManifest manifest = package("titles", "", PackageType::template_);
        manifest.motionTemplatePayloadPath = templatePath;
        manifest.motionTemplateInstallSubpath = std::move(subpath);
        return manifest;
    }
};

// Points the main bundle at one whose identifier marks a developer build, for as long as it lives.
class DeveloperBuild {
public:
    explicit DeveloperBuild(const QString& folder) {
        writeFile(folder + "/Developer.app/Contents/Info.plist",
                  marlox::platform::xmlPropertyList(
                      {{"CFBundleIdentifier", "studio.marlox.MarloxStudio.developer"}}));
        marlox::platform::Bundle::setMainBundlePath(folder + "/Developer.app");
    }
    ~DeveloperBuild() { marlox::platform::Bundle::setMainBundlePath(builtBundlePath()); }
};

} // namespace

TEST_F(MotionTemplatesTest, TargetsTheTypeAndVendorFoldersOfTheBuild) {
    PackageManifest blur = package("blur", "Payloads/Blur");
    EXPECT_EQ(*InstallEngine::templateTargetDirectory(blur, std::nullopt),
              templatesRoot + "/Generators.localized/Marlox Studio/Blur");
    blur.type = PackageType::filter;
    EXPECT_EQ(*InstallEngine::templateTargetDirectory(blur, "/Library/Motion Templates.localized"),
              "/Library/Motion Templates.localized/Effects.localized/Marlox Studio/Blur");
    // A templates-only package has no type folder: without a subpath it has no target.
    const auto none = InstallEngine::templateTargetDirectory(templatesPackage("T"), std::nullopt);
    ASSERT_FALSE(none);
    EXPECT_EQ(describe(none.error()),
              "Motion template install target is not defined for package type template.");

    const DeveloperBuild developer(home.filePath("developer"));
    EXPECT_EQ(*InstallEngine::templateTargetDirectory(blur, std::nullopt),
              templatesRoot + "/Effects.localized/Marlox Studio Developer/Blur");
    blur.motionTemplateInstallSubpath = "  Titles/Marlox Studio/Kinetic \n";
    EXPECT_EQ(*InstallEngine::templateTargetDirectory(blur, std::nullopt),
              templatesRoot + "/Titles/Marlox Studio Developer/Kinetic");
}

TEST(NormalizeTemplateSubpathTest, PutsTheRunningBuildsVendorInTheSecondPlaceOnly) {
    ScratchHome home;
    struct Case {
        QString subpath;
        QString expected;
    };
    for (const Case& test : {
             Case{"Titles/Marlox Studio Developer/Theme", "Titles/Marlox Studio/Theme"},
             Case{"Titles/Marlox Studio", "Titles/Marlox Studio"},
             Case{"Marlox Studio Developer/Titles", "Marlox Studio Developer/Titles"},
             Case{"Titles", "Titles"},
             Case{"/Marlox Studio Developer/x/", "/Marlox Studio/x/"},
             Case{"Titles//Marlox Studio Developer", "Titles//Marlox Studio Developer"},
             Case{"Titles/marlox studio developer", "Titles/marlox studio developer"},
         }) {
        EXPECT_EQ(InstallEngine::normalizeTemplateSubpath(test.subpath), test.expected)
            << test.subpath.toStdString();
    }
}

TEST_F(MotionTemplatesTest, ZipTemplatesPlaceEachVisibleTopLevelEntryAndAFolderReplacesItsCopy) {
    // GIVEN a zip of templates, its entries out of order and with forks and a hidden file, and a
    // folder of templates whose earlier copy is in place
    writeZip(
        payloadRoot + "/Templates/Pack.zip",
        {{"b/B.moti", "b"}, {"a/A.moti", "a"}, {"__MACOSX/._a", "fork"}, {".hidden", "hidden"}});
    writeFile(payloadRoot + "/Templates/Kinetic/Slide Up/Slide Up.moti", "new");
    writeFile(templatesRoot + "/Titles/Marlox Studio/Kinetic/Old/Old.moti", "earlier copy");

    // WHEN both are installed
    const InstallResult zipped =
        installed(templatesPackage("Templates/Pack.zip", "Transitions/Marlox Studio"), std::nullopt,
                  templatesRoot);
    const InstallResult folder = installed(
        templatesPackage("Templates/Kinetic", "Titles/Marlox Studio"), std::nullopt, templatesRoot);

    // THEN the zip's entries are placed in name order, and the folder is one exact copy
    const QString target = templatesRoot + "/Transitions/Marlox Studio";
    EXPECT_EQ(zipped, (InstallResult{"", {target + "/a", target + "/b"}}));
    EXPECT_EQ(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"a", "b"}));
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());
    const QString item = templatesRoot + "/Titles/Marlox Studio/Kinetic";
    EXPECT_EQ(folder, (InstallResult{"", {item}}));
    EXPECT_EQ(treeSnapshot(item), treeSnapshot(payloadRoot + "/Templates/Kinetic"));
}

TEST_F(MotionTemplatesTest, PluginPackageThatNoLongerCarriesTemplatesRemovesItsEarlierOnes) {
    // GIVEN a plug-in package installed with a folder of templates, beside another's templates
    makeBundle(payloadRoot + "/Payloads/Frame/Frame.pluginkit", "studio.marlox.frame");
    writeFile(payloadRoot + "/Templates/Frames/Border/Border.moti", "border");
    PackageManifest frame = package("frame", "Payloads/Frame");
    frame.motionTemplatePayloadPath = "Templates/Frames";
    const auto first = installed(frame);
    EXPECT_EQ(first,
              (InstallResult{installRoot + "/frame",
                             {templatesRoot + "/Generators.localized/Marlox Studio/Blur/Frames"}}));
    writeFile(templatesRoot + "/Generators.localized/Marlox Studio/Other/keep.moti", "another's");

    // WHEN a version without templates is installed over it
    frame.motionTemplatePayloadPath.reset();
    const auto second = installed(frame, recordOf(frame, first));

    // THEN its templates are gone, with their emptied folder, and none are recorded
    EXPECT_TRUE(second.templateInstallPaths.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(templatesRoot + "/Generators.localized/Marlox Studio/Blur"));
    EXPECT_TRUE(
        QFileInfo::exists(templatesRoot + "/Generators.localized/Marlox Studio/Other/keep.moti"));
}

TEST_F(MotionTemplatesTest, UninstallRemovesTheLastTemplatesAndPrunesUpToTheLibrary) {
    // GIVEN a record whose install folder is already gone, listing an empty path, a template item
    // that is gone, one outside the library, and the last item of its type folder
    const QString item = templatesRoot + "/Generators.localized/Marlox Studio/Blur/Frames";
    writeFile(item + "/Border/Border.moti", "border");
    writeFile(templatesRoot + "/Generators.localized/.localized", "hidden marker");
    const QString outside = home.filePath("home/Desktop/Frames");
    writeFile(outside + "/mine.moti", "the user's own");

    // WHEN it is uninstalled
    EXPECT_FALSE(
        engine().uninstall(recordAt(installRoot + "/blur", {"", item + "-gone", outside, item})));

    // THEN the item and the folders it leaves empty are gone, up to the library itself
    EXPECT_FALSE(QFileInfo::exists(templatesRoot + "/Generators.localized"));
    EXPECT_TRUE(QFileInfo(templatesRoot).isDir());
    EXPECT_TRUE(QFileInfo::exists(outside + "/mine.moti"));
}

TEST_F(MotionTemplatesTest, UnsafeSubpathFailsBeforeTheEarlierTemplatesAreTouched) {
    writeFile(payloadRoot + "/Templates/Kinetic/Slide/Slide.moti", "slide");
    const auto first = installed(templatesPackage("Templates/Kinetic", "Titles/Marlox Studio"));
    writeFile(templatesRoot + "/../Escaped/keep.txt", "beside the library");
    const QStringList before = treeSnapshot(home.filePath("home/Movies"));
    QDir().mkpath(templatesRoot + "/Linked");
    QFile::link(home.filePath("home/Movies/Escaped"), templatesRoot + "/Linked/out");

    for (const QString subpath : {"../Escaped", "Titles/../../Escaped", "Linked/out/deeper"}) {
        const auto result = install(templatesPackage("Templates/Kinetic", subpath),
                                    recordOf(templatesPackage("x"), first));
        ASSERT_FALSE(result) << subpath.toStdString();
        EXPECT_EQ(describe(result.error()),
                  "Motion template install subpath leaves the Motion Templates folder: " + subpath +
                      ".");
    }
    QFile::remove(templatesRoot + "/Linked/out");
    QDir().rmdir(templatesRoot + "/Linked");
    EXPECT_EQ(treeSnapshot(home.filePath("home/Movies")), before);
}
