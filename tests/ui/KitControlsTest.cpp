#include "support/WidgetTesting.h"
#include "ui/ActivitySpinner.h"
#include "ui/AppPill.h"

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class KitControlsTest : public WidgetTest {};

TEST_F(KitControlsTest, DisabledPillButtonIsDrawnFaded) {
    // GIVEN an enabled and a disabled button of the same look
    AppPillButton enabled("Update All", {AppPillTone::accent, AppPillSize::regular});
    AppPillButton disabled("Update All", {AppPillTone::accent, AppPillSize::regular});
    disabled.setEnabled(false);

    // WHEN both are drawn
    const QImage bright = grab(enabled);
    const QImage faded = grab(disabled);

    // THEN the disabled one shows the same picture at the faded opacity
    const QPoint middle(bright.width() / 2, bright.height() / 2);
    const QColor full = bright.pixelColor(1, middle.y());
    EXPECT_NEAR(faded.pixelColor(1, middle.y()).alphaF(),
                full.alphaF() * AppPillButtonStyle::disabledOpacity, 0.02);
}

TEST_F(KitControlsTest, SpinnerTurnsOnlyWhileShown) {
    ActivitySpinner spinner(Qt::white);
    EXPECT_FALSE(spinner.isTurning());

    grab(spinner);
    const int start = spinner.phase();
    EXPECT_TRUE(spinner.isTurning());
    EXPECT_TRUE(waitUntil([&] { return spinner.phase() != start; }));

    spinner.hide();
    EXPECT_FALSE(spinner.isTurning());
}

} // namespace
