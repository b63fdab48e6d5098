// The golden comparison tells a changed word from antialiasing, on the picture of a label as the
// Settings screen draws one.
#include "support/WidgetTesting.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"

#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class ImageComparisonTest : public WidgetTest {};

// A window's size: the share of differing pixels that may pass is that of a screen's golden.
constexpr QSize pictureSize(1100, 700);

// The label on the window's background, drawn that far right of its place.
QImage labelPicture(const QString& text, qreal offset = 0,
                    QFont::HintingPreference hinting = QFont::PreferDefaultHinting) {
    QLabel* label = plainLabel(text, 13, QFont::Normal, AppPalette::textSecondary());
    QFont font = label->font();
    font.setHintingPreference(hinting);
    label->setFont(font);
    Backdrop backdrop(label, AppPalette::canvas());
    grab(backdrop, pictureSize);
    QImage image(backdrop.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(AppPalette::canvas());
    QPainter painter(&image);
    painter.translate(offset, 0);
    backdrop.render(&painter);
    return image;
}

TEST_F(ImageComparisonTest, ALabelDiffersWhenALetterChangesAndNotWhenOnlyItsAntialiasingDoes) {
    struct Case {
        const char* name;
        QString golden, drawn;
        qreal offset;
        QFont::HintingPreference hinting;
        bool same;
    };
    const QFont::HintingPreference usual = QFont::PreferDefaultHinting;
    const Case cases[] = {
        {"a capital made small", "App Version", "App version", 0, usual, false},
        {"a letter dropped", "Available Updates", "Available Update", 0, usual, false},
        {"a digit changed", "2.2.0 (220)", "2.3.0 (220)", 0, usual, false},
        {"a quarter pixel right", "App Version", "App Version", 0.25, usual, true},
        {"half a pixel right", "App Version", "App Version", 0.5, usual, true},
        {"no hinting", "App Version", "App Version", 0, QFont::PreferNoHinting, true},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        // GIVEN a label's golden, and the label drawn otherwise: some pixels always differ
        const QImage golden = labelPicture(testCase.golden);
        const QImage drawn = labelPicture(testCase.drawn, testCase.offset, testCase.hinting);
        ASSERT_NE(drawn, golden);
        // WHEN compared THEN only the changed text differs
        EXPECT_EQ(bool(sameImage(drawn, golden)), testCase.same);
    }
}

TEST_F(ImageComparisonTest, AFailedGoldenLeavesThePictureOfItsDifferenceBesideTheOutput) {
    if (renewingGoldens()) {
        GTEST_SKIP() << "goldens are renewed, not compared";
    }
    // GIVEN a label's golden
    QTemporaryDir folder;
    const QString golden = folder.filePath("label.png");
    ASSERT_TRUE(labelPicture("App Version").save(golden));

    // WHEN the label is drawn with a letter changed
    const ::testing::AssertionResult result = matchesGolden(labelPicture("App version"), golden);

    // THEN the comparison fails and names the picture of the difference, where it lies
    ASSERT_FALSE(result);
    const QRegularExpressionMatch saved =
        QRegularExpression("the difference (\\S+-difference\\.png)").match(result.message());
    ASSERT_TRUE(saved.hasMatch()) << result.message();
    const QImage difference = QImage(saved.captured(1)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(difference.size(), pictureSize);
    // Pure red marks what differs, over the golden dimmed to a third.
    const auto* pixels = reinterpret_cast<const QRgb*>(difference.constBits());
    const auto* end = pixels + difference.width() * difference.height();
    EXPECT_NE(std::find(pixels, end, qRgb(255, 0, 0)), end);
}

} // namespace
