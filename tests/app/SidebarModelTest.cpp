#include "app/SidebarModel.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace marlox::app;

namespace marlox::app {
void PrintTo(const SidebarMark& mark, std::ostream* out) {
    *out << '{' << int(mark.kind) << ", " << mark.text.toStdString() << '}';
}
void PrintTo(const SidebarRowColors& colors, std::ostream* out) {
    *out << '{' << colors.foreground.name(QColor::HexArgb).toStdString() << " on "
         << colors.fill.name(QColor::HexArgb).toStdString() << '}';
}
} // namespace marlox::app

namespace {

const QColor hoverFill = QColor::fromRgbF(0.13f, 0.14f, 0.18f, 0.9f);

TEST(SidebarModelTest, SelectionWinsOverHoverAndIdleRowsAreClear) {
    struct Example {
        AppSection row;
        std::optional<AppSection> hovered;
        SidebarRowColors expected;
    };
    // GIVEN Plugins selected
    const Example examples[] = {
        {AppSection::plugins, std::nullopt, {Qt::black, Qt::white}},
        {AppSection::plugins, AppSection::plugins, {Qt::black, Qt::white}},
        {AppSection::home, AppSection::home, {Qt::white, hoverFill}},
        {AppSection::home, AppSection::settings, {Qt::white, Qt::transparent}},
    };
    for (const auto& example : examples) {
        // WHEN a row is coloured THEN it has the expected foreground and fill
        EXPECT_EQ(sidebarRowColors(example.row, AppSection::plugins, example.hovered),
                  example.expected)
            << rawValue(example.row).toStdString();
    }
}

TEST(SidebarModelTest, OnlyUpdatesCountsAndOnlySettingsCarriesTheDot) {
    using Kind = SidebarMark::Kind;
    struct Example {
        AppSection row;
        qsizetype updateCount;
        bool showsAvailableUpdate;
        SidebarMark expected;
    };
    const Example examples[] = {
        {AppSection::updates, 0, true, {}},
        {AppSection::updates, 1, false, {Kind::countCapsule, "1"}},
        {AppSection::updates, 99, false, {Kind::countCapsule, "99"}},
        {AppSection::updates, 100, false, {Kind::countCapsule, "99+"}},
        {AppSection::updates, 2500, true, {Kind::countCapsule, "99+"}},
        {AppSection::settings, 3, true, {Kind::dot, {}}},
        {AppSection::settings, 3, false, {}},
        {AppSection::home, 3, true, {}},
        {AppSection::installed, 3, true, {}},
    };
    for (const auto& example : examples) {
        // GIVEN a row, the number of updates and whether an application update waits
        // WHEN its mark is chosen THEN it is the expected one
        EXPECT_EQ(sidebarMark(example.row, example.updateCount, example.showsAvailableUpdate),
                  example.expected)
            << rawValue(example.row).toStdString() << ' ' << example.updateCount;
    }
}

TEST(SidebarModelTest, PointerMovingStraightFromOneRowToAnotherKeepsTheNewRow) {
    // GIVEN Plugins entered before Home's exit arrived
    // WHEN Home's exit arrives THEN Plugins stays hovered
    EXPECT_EQ(hoveredAfterExit(AppSection::plugins, AppSection::home), AppSection::plugins);
    // WHEN Plugins' own exit arrives THEN nothing is hovered
    EXPECT_EQ(hoveredAfterExit(AppSection::plugins, AppSection::plugins), std::nullopt);
}

TEST(SidebarModelTest, CollapsedStateChoosesWidthSymbolAndTooltip) {
    // GIVEN each state WHEN the toolbar button and width are derived THEN they match it
    EXPECT_EQ(sidebarWidth(true), 92);
    EXPECT_EQ(sidebarToggle(true), (SidebarToggle{"sidebar.left", "Expand Sidebar"}));
    EXPECT_EQ(sidebarWidth(false), 272);
    EXPECT_EQ(sidebarToggle(false), (SidebarToggle{"sidebar.right", "Collapse Sidebar"}));
}

} // namespace
