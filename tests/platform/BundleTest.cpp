#include "platform/Bundle.h"

#include "platform/PropertyList.h"
#include "support/ScratchHome.h"

#include <gtest/gtest.h>

using namespace marlox::platform;
using namespace marlox::testing;

namespace {

class BundleTest : public ScratchHomeTest {};

TEST_F(BundleTest, ReadsInfoInEitherFormAndFindsResourcesByNameExtensionAndFolder) {
    for (const bool binary : {false, true}) {
        SCOPED_TRACE(binary);
        // GIVEN a bundle whose Info.plist is in one form, with a resource and one in a subfolder
        const QString path = home.filePath(binary ? "B.app" : "X.app");
        const QVariantMap info{{"CFBundleIdentifier", "com.example.app"}};
        writeFile(path + "/Contents/Info.plist",
                  binary ? binaryPropertyList(info) : xmlPropertyList(info));
        writeFile(path + "/Contents/Resources/manifest.json", "{}");
        writeFile(path + "/Contents/Resources/Icons/star.svg", "<svg/>");
        Bundle::setMainBundlePath(path);

        // WHEN it is the main bundle THEN its info and resources are found
        const Bundle bundle = Bundle::main();
        EXPECT_EQ(bundle.bundleIdentifier(), "com.example.app");
        EXPECT_TRUE(bundle.pathForResource("manifest", "json").endsWith("Resources/manifest.json"));
        EXPECT_TRUE(bundle.pathForResource("manifest").endsWith("Resources/manifest.json"));
        EXPECT_TRUE(bundle.pathForResource("star", "svg", "Icons").endsWith("Icons/star.svg"));
        EXPECT_TRUE(bundle.pathForResource("star", "svg").isEmpty());
        EXPECT_TRUE(bundle.pathForResource("missing", "json").isEmpty());
    }
    // A missing folder is no bundle; a broken Info.plist reads as empty info.
    EXPECT_FALSE(Bundle::load(home.filePath("nothing.app")).has_value());
    writeFile(home.filePath("Broken.app/Contents/Info.plist"), "<plist><dict><key>");
    const auto broken = Bundle::load(home.filePath("Broken.app"));
    ASSERT_TRUE(broken.has_value());
    EXPECT_TRUE(broken->infoDictionary().isEmpty() && broken->resourcePath().isEmpty());
}

} // namespace
