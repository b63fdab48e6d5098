#include "ui/kit/AppPill.h"

#include "support/WidgetTesting.h"

#include <QGridLayout>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class AppPillTest : public WidgetTest {};

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

} // namespace
