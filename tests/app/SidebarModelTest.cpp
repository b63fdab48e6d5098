#include "app/SidebarModel.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace marlox::app;

namespace marlox::app {
void PrintTo(const SidebarMark& mark, std::ostream* out) {
    *out << '{' << int(mark.kind) << ", " << mark.text.toStdString() << '}';
}
} // namespace marlox::app

namespace {

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
        {AppSection::updates, 100, true, {Kind::countCapsule, "99+"}},
        {AppSection::settings, 3, true, {Kind::dot, {}}},
        {AppSection::settings, 3, false, {}},
        {AppSection::home, 3, true, {}},
    };
    for (const auto& example : examples) {
        // GIVEN a row, the number of updates and whether an application update waits
        // WHEN its mark is chosen THEN it is the expected one
        EXPECT_EQ(sidebarMark(example.row, example.updateCount, example.showsAvailableUpdate),
                  example.expected)
            << rawValue(example.row).toStdString() << ' ' << example.updateCount;
    }
}

} // namespace
