#include "LibraryScreenSupport.h"
#include "ui/plugins/PackageDetailSheet.h"

#include <QLineEdit>
#include <QTest>

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

TEST_F(LibraryScreenshotTest, DetailSheetOverTheScreenMatchesItsGoldenPicture) {
    // GIVEN Countdown Pro installed, so that the sheet shows its status line
    ASSERT_TRUE(services.installAndSettle(builtInPackage(countdownID)));
    shownView();
    QTest::keyClicks(childNamed<QLineEdit>(*view, "searchField"), "Countdown");
    // WHEN its Details is pressed THEN the sheet's card lies on the dimmed screen as checked
    ASSERT_TRUE(clickNamed(*card(countdownID), "detailsButton"));
    ASSERT_TRUE(thumbnailsLoaded(*view->detailSheet()));
    EXPECT_TRUE(matchesGolden(grab(*view, screenSize), goldenPath("plugins-detail-sheet")));
}

} // namespace
