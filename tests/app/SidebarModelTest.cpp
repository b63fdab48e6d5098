#include "app/SidebarModel.h"

#include "support/QtPrinters.h"

#include <QFont>
#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <ostream>

using namespace marlox::app;
using marlox::screens::AppUpdateNotice;

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

TEST(SidebarModelTest, BannerVersionLinesKeepTheBuildWholeAndEndTheVersionWithAnEllipsis) {
    const QFontMetricsF metrics(QFont("Sans", 11));
    const auto widthOf = [&](const QString& text) { return metrics.horizontalAdvance(text); };
    const QString ellipsis(QChar(0x2026));
    // GIVEN a long version and a build of 20 digits
    const AppUpdateNotice notice{"99999999999999999999", "2.0.0-abcdefghijabcdefghij"};
    const QString version = "Version 2.0.0-abcdefghijabcdefghij";
    const QString build = "(99999999999999999999)";

    // WHEN the width holds the whole line THEN it is one line
    EXPECT_EQ(updateBannerVersionLines(notice, metrics, widthOf(version + ' ' + build)),
              QStringList{version + ' ' + build});

    // WHEN it holds only the build THEN the build has a line of its own, whole, and the version
    // line ends in an ellipsis within the width
    const QStringList lines = updateBannerVersionLines(notice, metrics, widthOf(build));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("Version 2.0") && lines[0].endsWith(ellipsis))
        << lines[0].toStdString();
    EXPECT_LE(widthOf(lines[0]), widthOf(build));
    EXPECT_EQ(lines[1], build);

    // WHEN not even the build fits THEN it gives way in its middle, its parentheses kept
    const QStringList narrow = updateBannerVersionLines(notice, metrics, widthOf(build) / 2);
    EXPECT_TRUE(narrow[1].startsWith("(9") && narrow[1].endsWith("9)") &&
                narrow[1].contains(ellipsis))
        << narrow[1].toStdString();
}

} // namespace
