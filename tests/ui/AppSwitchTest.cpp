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

} // namespace
