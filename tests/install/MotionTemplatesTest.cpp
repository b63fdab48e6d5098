#include "EngineTestFixture.h"
#include "install/InstallEngine.h"
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
    // A package that places the templates at the payload path, under the subpath when given.
    PackageManifest templatesPackage(const QString& templatePath,
                                     std::optional<QString> subpath = std::nullopt,
                                     PackageType type = PackageType::template_) {
        PackageManifest manifest = package("titles", "", type);
        manifest.motionTemplatePayloadPath = templatePath;
        manifest.motionTemplateInstallSubpath = std::move(subpath);
        return manifest;
    }
    // A plug-in package that also carries a folder of templates.
    PackageManifest frameKit() {
        makeBundle(payloadRoot + "/Payloads/Frame/Frame.pluginkit", "studio.marlox.frame");
        writeFile(payloadRoot + "/Templates/Frames/Border/Border.moti", "border");
        PackageManifest frame = package("frame", "Payloads/Frame");
        frame.motionTemplatePayloadPath = "Templates/Frames";
        return frame;
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
    blur.category = "Blur";
    const QString library = home.filePath("home/Movies/Motion Templates.localized");

    EXPECT_EQ(*InstallEngine::templateTargetDirectory(blur, std::nullopt),
              library + "/Generators.localized/Marlox Studio/Blur");
    blur.type = PackageType::filter;
    EXPECT_EQ(*InstallEngine::templateTargetDirectory(blur, "/Library/Motion Templates.localized"),
              "/Library/Motion Templates.localized/Effects.localized/Marlox Studio/Blur");

    const DeveloperBuild developer(home.filePath("developer"));
    EXPECT_EQ(*InstallEngine::templateTargetDirectory(blur, std::nullopt),
              library + "/Effects.localized/Marlox Studio Developer/Blur");
    blur.motionTemplateInstallSubpath = "  Titles/Marlox Studio/Kinetic \n";
    EXPECT_EQ(*InstallEngine::templateTargetDirectory(blur, std::nullopt),
              library + "/Titles/Marlox Studio Developer/Kinetic");
}

TEST_F(MotionTemplatesTest, TemplatePackageWithoutSubpathHasNoTarget) {
    const auto target = InstallEngine::templateTargetDirectory(templatesPackage("T"), std::nullopt);
    ASSERT_FALSE(target);
    EXPECT_EQ(describe(target.error()),
              "Motion template install target is not defined for package type template.");
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

TEST_F(MotionTemplatesTest, ZipTemplatesPlaceEachTopLevelEntrySorted) {
    writeZip(
        payloadRoot + "/Templates/Pack.zip",
        {{"b/B.moti", "b"}, {"a/A.moti", "a"}, {"__MACOSX/._a", "fork"}, {".hidden", "hidden"}});

    const InstallResult result =
        installed(templatesPackage("Templates/Pack.zip", "Transitions/Marlox Studio"), std::nullopt,
                  templatesRoot);

    const QString target = templatesRoot + "/Transitions/Marlox Studio";
    EXPECT_EQ(result.installPath, QString()) << "a templates-only package has no install folder";
    EXPECT_EQ(result.templateInstallPaths, (QStringList{target + "/a", target + "/b"}));
    EXPECT_EQ(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"a", "b"}));
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());
}

TEST_F(MotionTemplatesTest, FolderTemplatesGiveOnePathAndReplaceAnEarlierCopy) {
    writeFile(payloadRoot + "/Templates/Kinetic/Slide Up/Slide Up.moti", "new");
    writeFile(templatesRoot + "/Titles/Marlox Studio/Kinetic/Old/Old.moti", "earlier copy");

    const InstallResult result = installed(
        templatesPackage("Templates/Kinetic", "Titles/Marlox Studio"), std::nullopt, templatesRoot);

    const QString item = templatesRoot + "/Titles/Marlox Studio/Kinetic";
    EXPECT_EQ(result.templateInstallPaths, QStringList{item});
    EXPECT_EQ(treeSnapshot(item), treeSnapshot(payloadRoot + "/Templates/Kinetic"));
}

TEST_F(MotionTemplatesTest, PluginPackageWithTemplatesInstallsBoth) {
    const InstallResult result = installed(frameKit());

    EXPECT_EQ(result.installPath, installRoot + "/frame");
    EXPECT_EQ(result.templateInstallPaths,
              QStringList{templatesRoot + "/Generators.localized/Marlox Studio/Blur/Frames"});
}

TEST_F(MotionTemplatesTest, PackageThatNoLongerCarriesTemplatesRemovesThePreviousOnes) {
    PackageManifest frame = frameKit();
    const auto first = installed(frame);
    writeFile(templatesRoot + "/Generators.localized/Marlox Studio/Other/keep.moti",
              "another package");

    frame.motionTemplatePayloadPath.reset();
    const auto second = installed(frame, recordOf(frame, first));

    EXPECT_TRUE(second.templateInstallPaths.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(templatesRoot + "/Generators.localized/Marlox Studio/Blur"));
    EXPECT_TRUE(
        QFileInfo::exists(templatesRoot + "/Generators.localized/Marlox Studio/Other/keep.moti"));
}

TEST_F(MotionTemplatesTest, RemovingTheLastTemplatesPrunesUpToTheLibrary) {
    const QString item = templatesRoot + "/Generators.localized/Marlox Studio/Blur/Frames";
    writeFile(item + "/Border/Border.moti", "border");
    writeFile(templatesRoot + "/Generators.localized/.localized", "hidden marker");
    const QString outside = home.filePath("home/Desktop/Frames");
    writeFile(outside + "/mine.moti", "the user's own");

    EXPECT_FALSE(engine().removeTemplatePaths({"", item + "-gone", outside, item}));

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
