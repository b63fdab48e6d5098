#include "platform/Bundle.h"

#include "platform/PropertyList.h"
#include "support/ScratchHome.h"

#include <gtest/gtest.h>

using namespace marlox::platform;
using namespace marlox::testing;

namespace {

using BundleTest = ScratchHomeTest;

TEST_F(BundleTest, ReadsItsInfoAndFindsResourcesByNameExtensionAndFolder) {
    // GIVEN a bundle with a binary Info.plist, a resource (and one of its name that sorts later)
    // and one in a subfolder
    const QString path = home.filePath("B.app"), resources = path + "/Contents/Resources";
    writeFile(path + "/Contents/Info.plist",
              binaryPropertyList({{"CFBundleIdentifier", "com.example.app"}}));
    writeFile(resources + "/manifest.json", "{}");
    writeFile(resources + "/manifest.plist", "<plist/>");
    writeFile(resources + "/Icons/star.svg", "<svg/>");

    // WHEN it is loaded THEN its info and resources are found
    const Bundle bundle = *Bundle::load(path);
    EXPECT_EQ(bundle.bundleIdentifier(), "com.example.app");
    EXPECT_EQ(
        QStringList({bundle.pathForResource("manifest", "json"), bundle.pathForResource("manifest"),
                     bundle.pathForResource("star", "svg", "Icons"),
                     bundle.pathForResource("star", "svg"),
                     bundle.pathForResource("missing", "json")}),
        QStringList({resources + "/manifest.json", resources + "/manifest.json",
                     resources + "/Icons/star.svg", "", ""}));

    // AND a missing folder is no bundle; a broken Info.plist reads as empty info
    EXPECT_FALSE(Bundle::load(home.filePath("nothing.app")).has_value());
    writeFile(home.filePath("Broken.app/Contents/Info.plist"), "<plist><dict><key>");
    const auto broken = Bundle::load(home.filePath("Broken.app"));
    ASSERT_TRUE(broken.has_value());
    EXPECT_TRUE(broken->infoDictionary().isEmpty() && broken->resourcePath().isEmpty());
}

// The tests run with the built bundle as their main bundle, named once at start.
TEST(MainBundleDeathTest, IsNamedOnceAndNeverSwapped) {
    EXPECT_EQ(mainBundle().bundlePath(), builtBundlePath());
    setUpMainBundle(builtBundlePath());
    EXPECT_DEATH(setUpMainBundle("/elsewhere/Other.app"), "set up once, at start");
}

} // namespace
