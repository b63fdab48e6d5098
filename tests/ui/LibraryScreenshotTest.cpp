#include "LibraryScreenSupport.h"

using namespace marlox::testing;
using marlox::catalog::LibraryDisplayMode;

namespace {

class LibraryScreenshotTest : public LibraryScreenTest {};

TEST_F(LibraryScreenshotTest, EachDisplayModeMatchesItsGoldenPicture) {
    for (LibraryDisplayMode mode : marlox::catalog::allLibraryDisplayModes) {
        services.settings.setLibraryDisplayMode(mode);
        const QString name = "plugins-" + marlox::catalog::rawValue(mode);
        marlox::ui::LibraryView& shown = view ? *view : makeView();
        showWhole(shown, screenSize);
        ASSERT_TRUE(thumbnailsLoaded(shown));
        settle();
        EXPECT_TRUE(matchesGolden(picture(shown), goldenPath(name))) << name.toStdString();
    }
}

} // namespace
