#include "support/WidgetTesting.h"
#include "ui/kit/ActivitySpinner.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/ScreenParts.h"

#include <memory>

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

TEST_F(KitControlsTest, WrappingLabelsLayOutAgainOnceTheirTextOrFontChanges) {
    // GIVEN a wrapping label and a two-line label laid out at 200 wide
    const QString longText = QString("Several words that wrap. ").repeated(20);
    const std::unique_ptr<QLabel> wrapping(plainLabel("Short", 13, QFont::Normal, Qt::white, true));
    FittingLabel limited("Short", appFont(13, QFont::Normal), Qt::white, 2);
    const int shortHeight = wrapping->heightForWidth(200);
    ASSERT_EQ(limited.shownLines(200), QStringList{"Short"});

    // WHEN each is given a long text THEN each lays it out at the same width
    wrapping->setText(longText);
    EXPECT_GT(wrapping->heightForWidth(200), 2 * shortHeight);
    limited.setText(longText);
    EXPECT_EQ(limited.shownLines(200).size(), 2);

    // WHEN their font grows THEN each lays the text out in it
    const int smallHeight = wrapping->heightForWidth(200);
    const QStringList smallLines = limited.shownLines(200);
    wrapping->setFont(appFont(26, QFont::Normal));
    limited.setFont(appFont(26, QFont::Normal));
    EXPECT_GT(wrapping->heightForWidth(200), smallHeight);
    EXPECT_NE(limited.shownLines(200), smallLines);
}

} // namespace
