#include "LibraryScreenSupport.h"

using namespace marlox::testing;
using marlox::catalog::LibraryDisplayMode;

namespace {

class LibraryScreenshotTest : public LibraryScreenTest {};

TEST_F(LibraryScreenshotTest, EachDisplayModeMatchesItsGoldenPicture) {
    for (LibraryDisplayMode mode : marlox::catalog::allLibraryDisplayModes) {
        services.settings.setLibraryDisplayMode(mode);
        const QString name = "plugins-" + marlox::catalog::rawValue(mode);
        const QImage image = grab(shownView(), screenSize);
        EXPECT_TRUE(matchesGolden(image, goldenPath(name))) << name.toStdString();
    }
}

} // namespace
