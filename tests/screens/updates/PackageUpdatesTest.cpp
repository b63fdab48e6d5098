#include "screens/updates/PackageUpdates.h"

#include "support/CatalogFixtures.h"

#include <gtest/gtest.h>

using namespace marlox::catalog;
using namespace marlox::screens;
using namespace marlox::testing;

namespace {

TEST(PackageUpdatesTest, UpdateAllWaitsForAnyOperationButARowOnlyForItsOwnPackage) {
    // GIVEN two updates, one of them being installed, and another package being removed
    const QList<PackageManifest> catalog = {testPackage("a", PackageType::generator, "2.0"),
                                            testPackage("b", PackageType::generator, "2.0")};
    const auto records = recordsByID({testRecord("a", "1.0"), testRecord("b", "1.5")});

    const std::tuple<const char*, QSet<QString>, bool, QList<bool>> cases[] = {
        {"idle", {}, true, {true, true}},
        {"one row in flight", {"b"}, false, {true, false}},
        {"an unlisted package in flight", {"other"}, false, {true, true}},
    };
    for (const auto& [name, active, updateAllEnabled, rowsEnabled] : cases) {
        SCOPED_TRACE(name);
        // WHEN the screen's content is worked out
        const UpdatesContent content = updatesContent(catalog, records, active);

        // THEN "Update All" and each row's "Update" follow the active set
        EXPECT_EQ(content.updateAllEnabled, updateAllEnabled);
        QList<bool> enabled;
        for (const UpdateRow& row : content.rows) {
            enabled.append(row.updateEnabled);
        }
        EXPECT_EQ(enabled, rowsEnabled);
    }
}

TEST(PackageUpdatesTest, RowShowsBothVersionsAndTheSummaryElseTheReleaseNotes) {
    PackageManifest blankSummary = testPackage("blank", PackageType::generator, "2.0");
    blankSummary.summary = "";
    PackageManifest noSummary = testPackage("none", PackageType::generator, "2.0");
    noSummary.summary.reset();
    PackageManifest spaces = testPackage("spaces", PackageType::generator, "2.0");
    spaces.summary = "  ";
    const auto records = recordsByID(
        {testRecord("blank", "1.0"), testRecord("none", "1.1"), testRecord("spaces", "1.2")});

    const UpdatesContent content = updatesContent({blankSummary, noSummary, spaces}, records, {});

    ASSERT_EQ(content.rows.size(), 3);
    EXPECT_EQ(content.countBadgeTitle, "3");
    EXPECT_EQ(content.countText, "3 updates available");
    const std::tuple<QString, QString, QString> expected[] = {
        {"Installed v1.0", "Latest v2.0", "Notes of blank"},
        {"Installed v1.1", "Latest v2.0", "Notes of none"},
        // A summary is not trimmed: spaces are text.
        {"Installed v1.2", "Latest v2.0", "  "},
    };
    for (qsizetype index = 0; index < content.rows.size(); ++index) {
        const UpdateRow& row = content.rows.at(index);
        EXPECT_EQ(std::tuple(row.installedPillTitle, row.latestPillTitle, row.description),
                  expected[index]);
    }
}

} // namespace
