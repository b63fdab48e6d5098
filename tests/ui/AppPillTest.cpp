#include "ui/AppPill.h"

#include "support/QtPrinters.h"
#include "support/WidgetTesting.h"
#include "ui/AppFont.h"

#include <QFontMetricsF>
#include <QGridLayout>

#include <cmath>
#include <memory>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class AppPillTest : public WidgetTest {};

int textWidth(const QString& text, AppPillSize size) {
    return static_cast<int>(
        std::ceil(QFontMetricsF(appFont(pillMetrics(size).titleFontSize, QFont::DemiBold))
                      .horizontalAdvance(text)));
}

TEST_F(AppPillTest, OnlyTheNeutralToneHasAnOpaqueFill) {
    struct Case {
        AppPillTone tone;
        QColor tint;
    };
    const Case tinted[] = {{AppPillTone::accent, AppPalette::accent()},
                           {AppPillTone::success, AppPalette::success()},
                           {AppPillTone::warning, AppPalette::warning()}};
    for (const Case& testCase : tinted) {
        const AppToneColors colors = toneColors(testCase.tone);
        EXPECT_EQ(colors.tint, testCase.tint);
        EXPECT_EQ(colors.fill.rgb(), testCase.tint.rgb());
        EXPECT_NEAR(colors.fill.alphaF(), 0.12, 0.005);
        EXPECT_NEAR(colors.outline.alphaF(), 0.35, 0.005);
    }
    const AppToneColors neutral = toneColors(AppPillTone::neutral);
    EXPECT_EQ(neutral.tint, QColor(Qt::white));
    EXPECT_EQ(neutral.fill, AppPalette::panel());
    EXPECT_EQ(neutral.fill.alpha(), 255);
    EXPECT_EQ(neutral.outline, AppPalette::hairline());
}

TEST_F(AppPillTest, CompactPillIsSmallerInEveryMetricButTheGlyphStroke) {
    const AppPillMetrics regular = pillMetrics(AppPillSize::regular);
    const AppPillMetrics compact = pillMetrics(AppPillSize::compact);
    EXPECT_LT(compact.spacing, regular.spacing);
    EXPECT_LT(compact.horizontalPadding, regular.horizontalPadding);
    EXPECT_LT(compact.verticalPadding, regular.verticalPadding);
    EXPECT_LT(compact.glyphSize, regular.glyphSize);
    EXPECT_LT(compact.titleFontSize, regular.titleFontSize);
    EXPECT_EQ(compact.glyphStrokeWidth, 1.85);
    EXPECT_EQ(regular.glyphStrokeWidth, 1.85);
}

TEST_F(AppPillTest, PillWithoutGlyphHoldsOnlyItsPaddedTitle) {
    for (const AppPillSize size : {AppPillSize::regular, AppPillSize::compact}) {
        const AppPillMetrics metrics = pillMetrics(size);
        AppPillLabel plain("Installed", AppPillTone::success, std::nullopt, size);
        AppPillLabel withGlyph("Installed", AppPillTone::success, StudioGlyph::installed, size);
        EXPECT_NEAR(plain.sizeHint().width(),
                    textWidth("Installed", size) + 2 * metrics.horizontalPadding, 1);
        EXPECT_NEAR(withGlyph.sizeHint().width() - plain.sizeHint().width(),
                    metrics.glyphSize + metrics.spacing, 1);
    }
}

TEST_F(AppPillTest, BadgeStaysThirtyFourSquareWhateverItsTitle) {
    for (const char* title : {"", "3", "128", "A much longer title than fits"}) {
        auto* badge = new AppCountBadge(title, AppPillTone::accent);
        Backdrop backdrop(badge, AppPalette::canvas());
        const QImage picture = grab(backdrop, QSize(200, 42));
        EXPECT_EQ(badge->size(), QSize(34, 34)) << title;
        EXPECT_TRUE(
            geometryIn(backdrop, *badge).contains(inkBounds(picture, AppPalette::canvas(), 2)))
            << title;
    }
}

TEST_F(AppPillTest, CapsuleLabelIsItsPaddedTextOnAFillWithoutOutline) {
    // GIVEN a red capsule with white text, padded 6 by 2
    const QFont font = appFont(10, QFont::DemiBold);
    auto* capsule = new AppCapsuleLabel("99+", {font, Qt::white, AppPalette::danger(), 6, 2});
    Backdrop backdrop(capsule, AppPalette::canvas(), 4);

    // WHEN it is drawn
    const QImage image = grab(backdrop);

    // THEN it is as wide as its text and paddings, filled to its edge with no lighter outline
    const QFontMetricsF metrics(font);
    EXPECT_NEAR(capsule->width(), metrics.horizontalAdvance("99+") + 12, 1);
    EXPECT_NEAR(capsule->height(), metrics.height() + 4, 1);
    const QRect frame = geometryIn(backdrop, *capsule);
    EXPECT_TRUE(pixelIs(image, frame.center().x(), frame.top(), AppPalette::danger().rgb(), 24));
    EXPECT_TRUE(pixelIs(image, frame.left() + 3, frame.center().y(), AppPalette::danger().rgb()));
    EXPECT_TRUE(hasInkIn(image, frame.adjusted(6, 2, -6, -2), AppPalette::danger()));
}

TEST_F(AppPillTest, PressedButtonShowsAllFiveChangesAndReleaseRestoresThem) {
    const AppPillButtonStyle::PressLook pressed = AppPillButtonStyle::pressLook(true);
    EXPECT_EQ(pressed.labelOpacity, 0.88);
    EXPECT_EQ(pressed.fillOpacity, 0.9);
    EXPECT_EQ(pressed.outlineOpacity, 0.85);
    EXPECT_EQ(pressed.scale, 0.985);
    EXPECT_EQ(pressed.opacity, 0.95);
    const AppPillButtonStyle::PressLook released = AppPillButtonStyle::pressLook(false);
    for (qreal value : {released.labelOpacity, released.fillOpacity, released.outlineOpacity,
                        released.scale, released.opacity}) {
        EXPECT_EQ(value, 1);
    }

    AppPillButton button("Install", {AppPillTone::accent, AppPillSize::regular});
    const QImage up = grab(button);
    pressOn(button);
    ASSERT_TRUE(button.isDown());
    const QImage down = picture(button);
    releaseOn(button);
    EXPECT_FALSE(sameImage(down, up));
    EXPECT_TRUE(sameImage(picture(button), up));
}

TEST_F(AppPillTest, ClickingAPillButtonEmitsClicked) {
    AppPillButton button("Open Draft", {AppPillTone::accent, AppPillSize::regular});
    button.setObjectName("openDraft");
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    grab(button);
    EXPECT_TRUE(clickNamed(button, "openDraft"));
    EXPECT_EQ(clicks, 1);
}

// Every tone of pill, badge and button, regular and compact, with and without a glyph, and a
// pressed button, on the section background.
TEST_F(AppPillTest, KitLooksAsChecked) {
    auto* sheet = new AppSectionBackground;
    auto* grid = new QGridLayout(sheet);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setSpacing(10);
    const AppPillTone tones[] = {AppPillTone::accent, AppPillTone::success, AppPillTone::neutral,
                                 AppPillTone::warning};
    int row = 0;
    for (const AppPillTone tone : tones) {
        int column = 0;
        const auto add = [&](QWidget* widget) { grid->addWidget(widget, row, column++); };
        add(new AppPillLabel("Generator", tone, StudioGlyph::plugin, AppPillSize::regular));
        add(new AppPillLabel("Compact", tone, StudioGlyph::template_, AppPillSize::compact));
        add(new AppPillLabel("Text only", tone, std::nullopt, AppPillSize::regular));
        add(new AppCountBadge("12", tone));
        add(new AppPillButton("Install", {tone, AppPillSize::regular}));
        auto* pressed = new AppPillButton("Pressed", {tone, AppPillSize::compact});
        pressed->setLeadingSymbol("paperplane.fill", 13, QFont::DemiBold);
        pressed->setDown(true);
        add(pressed);
        ++row;
    }
    EXPECT_TRUE(matchesGolden(grab(*sheet), goldenPath("kit")));
    delete sheet;
}

TEST_F(AppPillTest, SectionBackgroundRunsFromTheDarkestColourAtTopLeft) {
    AppSectionBackground background;
    const QImage picture = grab(background, QSize(200, 100));
    EXPECT_TRUE(pixelIs(picture, 0, 0, AppPalette::canvas().rgba(), 2));
    EXPECT_TRUE(pixelIs(picture, 199, 99, qRgb(8, 13, 23), 2));
}

} // namespace
