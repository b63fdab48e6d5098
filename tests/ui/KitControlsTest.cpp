#include "support/WidgetTesting.h"
#include "ui/ActivitySpinner.h"

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class KitControlsTest : public WidgetTest {};

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
