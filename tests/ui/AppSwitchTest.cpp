#include "ui/AppSwitch.h"

#include "support/WidgetTesting.h"

#include <gtest/gtest.h>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class AppSwitchTest : public WidgetTest {};

TEST_F(AppSwitchTest, ADisabledSwitchIsDrawnFainter) {
    AppSwitch toggle;
    const QImage enabled = grab(toggle);
    toggle.setEnabled(false);
    const QImage disabled = picture(toggle);
    const QPoint track(enabled.width() / 2, enabled.height() - 4);
    EXPECT_LT(qAlpha(disabled.pixel(track)), qAlpha(enabled.pixel(track)) * 0.6);
}

} // namespace
