#include "ui/plugins/LibraryPresentation.h"

#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

using namespace marlox::ui;
using namespace marlox::testing;
using marlox::catalog::LibraryDisplayMode;
using marlox::catalog::PackageManifest;

namespace {

TEST(LibraryPresentationTest, CardSummaryIsTheTrimmedSummaryElseTheReleaseNotesAsTheyStand) {
    struct Case {
        std::optional<QString> summary;
        QString releaseNotes;
        QString shown;
    };
    const QList<Case> cases = {
        {"  Glow \n", "Notes", "Glow"},
        {" \n\t", "Notes", "Notes"},
        {"", "  Notes with space ", "  Notes with space "},
        {std::nullopt, "", ""},
    };
    for (const Case& testCase : cases) {
        PackageManifest package = libraryPackage("p", "P");
        package.summary = testCase.summary;
        package.releaseNotes = testCase.releaseNotes;
        EXPECT_EQ(cardSummary(package), testCase.shown);
    }
}

TEST(LibraryPresentationTest, GridFitsAsManyColumnsAsTheMinimumAllowsAndCentresThem) {
    struct Case {
        LibraryDisplayMode mode;
        qreal width;
        ColumnLayout layout;
    };
    const QList<Case> cases = {
        {LibraryDisplayMode::small, 1060, {4, 256, 0, 12}},
        {LibraryDisplayMode::small, 451, {1, 280, 85.5, 12}},
        {LibraryDisplayMode::small, 452, {2, 220, 0, 12}},
        {LibraryDisplayMode::small, 100, {1, 220, 0, 12}},
        {LibraryDisplayMode::medium, 1060, {3, 344, 0, 14}},
        {LibraryDisplayMode::medium, 1300, {4, 314.5, 0, 14}},
        {LibraryDisplayMode::medium, 600, {1, 380, 110, 14}},
        {LibraryDisplayMode::list, 1060, {1, 1060, 0, 0}},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(columnLayout(testCase.width, gridColumns(testCase.mode)), testCase.layout)
            << rawValue(testCase.mode).toStdString() << ' ' << testCase.width;
    }
}

TEST(LibraryPresentationTest, GridShowsOnlyTheRowsThatReachIntoTheScrolledWindow) {
    // GIVEN seven cards in two columns of 100 (spacing 10, centred in 230), rows 50 high, 10 apart
    const CardGridGeometry grid{columnLayout(230, {GridColumns::Sizing::adaptive, 100, 100, 10}),
                                50, 10, 7};
    EXPECT_EQ(grid.rowCount(), 4);
    EXPECT_EQ(grid.contentHeight(), 230);
    EXPECT_EQ(grid.itemRect(3), QRectF(120, 60, 100, 50));
    const QList<std::tuple<qreal, qreal, std::pair<int, int>>> cases = {
        {0, 50, {0, 2}},   {0, 61, {0, 4}},    {50, 10, {2, 2}},  {55, 10, {2, 4}},
        {0, 1000, {0, 7}}, {170, 100, {6, 7}}, {400, 50, {7, 7}}, {-20, 30, {0, 2}},
    };
    for (const auto& [top, height, items] : cases) {
        EXPECT_EQ(grid.visibleItems(top, height), items) << top << " + " << height;
    }
    EXPECT_EQ((CardGridGeometry{grid.columns, 50, 10, 0}.contentHeight()), 0);
}

} // namespace
