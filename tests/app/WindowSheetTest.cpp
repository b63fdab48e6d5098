#include "AppTestSupport.h"
#include "app/FolderAccessOverlay.h"
#include "install/MotionTemplatesAccessService.h"
#include "support/ReadOnlyFolder.h"
#include "ui/plugins/LibraryView.h"
#include "ui/plugins/PackageDetailSheet.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

using namespace marlox::app;
using namespace marlox::testing;
using marlox::ui::PackageDetailSheet;

namespace {

// The real application in a scratch home with the built-in catalog and one window of 1100 by
// 700 points, offscreen or, in the run under a virtual X server, on its screen without a window
// manager.
class WindowSheetTest : public AppTest {
protected:
    void SetUp() override {
        prepareWidgetTests();
        openWindow();
        window->show();
        settle();
    }

    // The window as it shows: on the X server's screen when there is one.
    QImage shownWindow() const {
        if (QGuiApplication::platformName() != "xcb") {
            return window->grab().toImage();
        }
        const QRect area(window->mapToGlobal(QPoint(0, 0)), window->size());
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .toImage();
    }
    // Opens the detail sheet from the package's card.
    PackageDetailSheet* openDetails(QWidget* card) {
        if (card == nullptr || !clickNamed(*card, "detailsButton")) {
            return nullptr;
        }
        settle();
        return window->findChild<PackageDetailSheet*>();
    }
    marlox::ui::LibraryView* plugins() const {
        return qobject_cast<marlox::ui::LibraryView*>(window->detailScreen());
    }
};

TEST_F(WindowSheetTest, DetailSheetIsALayerOfTheWindowThatHoldsItUntilEscape) {
    SaveGrabOnFailure keep(*window, "window");
    // GIVEN Plugins, as it shows before the sheet
    QWidget* countdown = pluginsCard(countdownID);
    ASSERT_NE(countdown, nullptr);
    const QImage before = shownWindow();

    // WHEN Countdown Pro's Details is pressed
    PackageDetailSheet* sheet = openDetails(countdown);
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitUntil([&] { return sheet->isVisible(); }));
    settle();
    const QImage after = shownWindow();

    // THEN the sheet covers the window's content, its card in the middle
    EXPECT_EQ(sheet->window(), window);
    EXPECT_EQ(geometryIn(*window, *sheet), window->centralWidget()->geometry());
    auto* sheetCard = sheet->findChild<QWidget*>("sheetCard");
    ASSERT_NE(sheetCard, nullptr);
    const QRect card = geometryIn(*window, *sheetCard);
    const QPoint offCentre = card.center() - window->centralWidget()->geometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 1);
    // AND nothing is drawn beyond the card's rounded edge but the window, dimmed
    const int inside = 2;
    const int outside = PackageDetailSheet::outerPadding / 2;
    for (const QPoint& point :
         {card.topLeft() + QPoint(inside, inside), card.topRight() + QPoint(-inside, inside),
          card.bottomLeft() + QPoint(inside, -inside), card.bottomRight() - QPoint(inside, inside),
          card.topLeft() - QPoint(outside, outside),
          QPoint(card.center().x(), card.top() - outside),
          QPoint(card.right() + outside, card.center().y()),
          card.bottomRight() + QPoint(outside, outside)}) {
        const QColor under = before.pixelColor(point);
        const qreal kept = 1 - BlockingOverlay::backdropOpacity;
        EXPECT_TRUE(colorNear(
            after.pixelColor(point),
            QColor::fromRgbF(under.redF() * kept, under.greenF() * kept, under.blueF() * kept), 6))
            << point.x() << ", " << point.y();
    }
    if (QGuiApplication::platformName() == "xcb") {
        QDir().mkpath(MARLOX_TEST_ARTEFACT_DIR);
        EXPECT_TRUE(after.save(MARLOX_TEST_ARTEFACT_DIR "/detail-sheet-xvfb.png"));
    }

    // WHEN the sidebar, the toolbar and Tab are tried THEN none of them leaves the sheet
    EXPECT_TRUE(clickNamed(*window, "sidebarRow-home"));
    EXPECT_TRUE(clickNamed(*window, "sidebarToggle"));
    EXPECT_EQ(window->selectedSection(), AppSection::plugins);
    EXPECT_FALSE(app->sidebarUIState().isCollapsed());
    for (int press = 0; press < 6; ++press) {
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        EXPECT_TRUE(sheet->isAncestorOf(window->focusWidget())) << press;
    }

    // WHEN Escape is pressed THEN it goes, and the package is no longer selected
    QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_FALSE(plugins()->selectedForDetails());
}

TEST_F(WindowSheetTest, FolderCardRaisedFromTheSheetLiesAboveItAndGivesTheKeyboardBack) {
    // GIVEN Frame Kit's sheet, and its Motion Templates folder not to be made
    const QString templatesFolder = marlox::install::motionTemplatesFolderPath();
    ASSERT_TRUE(QDir(templatesFolder).removeRecursively());
    ReadOnlyFolder movies(home.filePath("home/Movies"));
    ASSERT_TRUE(movies.holds());
    const QString frameKitID = "studio.marlox.frame-kit";
    PackageDetailSheet* sheet = openDetails(pluginsCard(frameKitID));
    ASSERT_NE(sheet, nullptr);

    // WHEN Install is pressed in the sheet
    ASSERT_TRUE(clickNamed(*sheet, "actionButton"));
    auto* folderCard = window->findChild<FolderAccessOverlay*>();
    ASSERT_TRUE(folderCard->isPresented());
    ASSERT_TRUE(overlaysSettled(*window));

    // THEN the folder card lies above the sheet, and the sheet takes no click
    const QPoint onCard = geometryIn(*window, *folderCard->card()).center();
    EXPECT_TRUE(folderCard->isAncestorOf(window->childAt(onCard)));
    EXPECT_TRUE(clickNamed(*sheet, "closeButton"));
    EXPECT_TRUE(sheet->isVisible());

    // WHEN "Not Now" is pressed THEN the sheet has the keyboard again, and Escape closes it
    ASSERT_TRUE(clickNamed(*folderCard, "notNowButton"));
    ASSERT_TRUE(overlaysSettled(*window));
    EXPECT_TRUE(sheet->isAncestorOf(window->focusWidget()));
    QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(plugins()->selectedForDetails(), std::nullopt);
}

} // namespace
