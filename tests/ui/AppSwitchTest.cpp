#include "ui/AppSwitch.h"

#include "support/WidgetTesting.h"
#include "ui/AppTheme.h"

#include <gtest/gtest.h>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class AppSwitchTest : public WidgetTest {};

TEST_F(AppSwitchTest, ClickingTurnsItOnAndOffWithTheKnobAtThatEnd) {
    AppSwitch toggle(AppSwitch::Size::small);
    toggle.setObjectName("switch");
    EXPECT_EQ(toggle.sizeHint(), QSize(30, 18));
    const QImage off = grab(toggle);
    ASSERT_TRUE(clickNamed(toggle, "switch"));
    EXPECT_TRUE(toggle.isChecked());
    const QImage on = picture(toggle);
    // The knob is white at the end the switch is set to; the other end shows the track.
    EXPECT_TRUE(pixelIs(on, 21, 9, qRgb(255, 255, 255), 8));
    EXPECT_TRUE(pixelIs(on, 5, 9, AppPalette::accent().rgb(), 8));
    EXPECT_TRUE(pixelIs(off, 9, 9, qRgb(255, 255, 255), 8));
    ASSERT_TRUE(clickNamed(toggle, "switch"));
    EXPECT_FALSE(toggle.isChecked());
}

TEST_F(AppSwitchTest, ADisabledSwitchIsDrawnFainterAndTakesNoClicks) {
    AppSwitch toggle;
    toggle.setObjectName("switch");
    const QImage enabled = grab(toggle);
    toggle.setEnabled(false);
    const QImage disabled = picture(toggle);
    const QPoint track(enabled.width() / 2, enabled.height() - 4);
    EXPECT_LT(qAlpha(disabled.pixel(track)), qAlpha(enabled.pixel(track)) * 0.6);
    EXPECT_FALSE(clickNamed(toggle, "switch"));
    EXPECT_FALSE(toggle.isChecked());
}

TEST_F(AppSwitchTest, DrawingScaleShrinksThePictureAboutItsCentreAndKeepsItsPlace) {
    // GIVEN a small switch, on
    AppSwitch toggle(AppSwitch::Size::small);
    toggle.setChecked(true);
    const QRect full = inkBounds(grab(toggle), Qt::transparent, 8);

    // WHEN it is drawn at three quarters
    toggle.setDrawingScale(0.75);
    const QRect scaled = inkBounds(picture(toggle), Qt::transparent, 8);

    // THEN the picture shrinks about the centre, and the layout keeps the full size
    EXPECT_EQ(toggle.sizeHint(), QSize(30, 18));
    EXPECT_NEAR(scaled.width(), 0.75 * full.width(), 1.5);
    EXPECT_NEAR(scaled.height(), 0.75 * full.height(), 1.5);
    EXPECT_NEAR(scaled.center().x(), full.center().x(), 1);
    EXPECT_NEAR(scaled.center().y(), full.center().y(), 1);
}

} // namespace
