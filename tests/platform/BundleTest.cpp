#include "platform/Bundle.h"

#include "platform/PropertyList.h"
#include "support/ScratchHome.h"

#include <gtest/gtest.h>

using marlox::platform::Bundle;
using marlox::testing::ScratchHomeTest;
using marlox::testing::writeFile;

namespace {

class BundleTest : public ScratchHomeTest {
protected:
    QString makeBundle(const QString& name, const QVariantMap& info, bool binary) {
        const QString path = home.filePath(name);
        writeFile(path + QLatin1String("/Contents/Info.plist"),
                  binary ? marlox::platform::binaryPropertyList(info)
                         : marlox::platform::xmlPropertyList(info));
        writeFile(path + QLatin1String("/Contents/Resources/manifest.json"), "{}");
        writeFile(path + QLatin1String("/Contents/Resources/Icons/star.svg"), "<svg/>");
        return path;
    }
};

TEST_F(BundleTest, ReadsInfoDictionaryInEitherForm) {
    const QVariantMap info{
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.app")}};
    for (bool binary : {false, true}) {
        const auto bundle = Bundle::load(makeBundle(binary ? "B.app" : "X.app", info, binary));
        ASSERT_TRUE(bundle.has_value());
        EXPECT_EQ(bundle->bundleIdentifier(), QStringLiteral("com.example.app"));
    }
}

TEST_F(BundleTest, FindsResourcesByNameExtensionAndSubdirectory) {
    const auto bundle = Bundle::load(makeBundle("A.app", {}, false));
    ASSERT_TRUE(bundle.has_value());
    EXPECT_TRUE(bundle->pathForResource("manifest", "json").endsWith("Resources/manifest.json"));
    EXPECT_TRUE(bundle->pathForResource("manifest").endsWith("Resources/manifest.json"));
    EXPECT_TRUE(bundle->pathForResource("star", "svg", "Icons").endsWith("Icons/star.svg"));
    EXPECT_TRUE(bundle->pathForResource("star", "svg").isEmpty());
    EXPECT_TRUE(bundle->pathForResource("missing", "json").isEmpty());
}

TEST_F(BundleTest, MissingFolderIsNoBundleAndBrokenInfoIsEmpty) {
    EXPECT_FALSE(Bundle::load(home.filePath("nothing.app")).has_value());
    writeFile(home.filePath("Broken.app/Contents/Info.plist"), "<plist><dict><key>");
    const auto broken = Bundle::load(home.filePath("Broken.app"));
    ASSERT_TRUE(broken.has_value());
    EXPECT_TRUE(broken->infoDictionary().isEmpty());
    EXPECT_TRUE(broken->resourcePath().isEmpty());
}

TEST_F(BundleTest, MainBundleCanBePointedAtATestBundle) {
    const QString path = makeBundle("Main.app", {{"CFBundleName", "Main"}}, true);
    Bundle::setMainBundlePath(path);
    EXPECT_EQ(Bundle::main().bundlePath(), path);
    EXPECT_EQ(Bundle::main().infoValue("CFBundleName").toString(), QStringLiteral("Main"));
}

} // namespace
