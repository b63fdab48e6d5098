#include "screens/PackageUpdates.h"

#include "ScreenTestSupport.h"

#include <gtest/gtest.h>

using namespace marlox::catalog;
using namespace marlox::screens;
using namespace marlox::testing;

namespace {

QStringList idsOf(const QList<PackageManifest>& packages) {
    QStringList ids;
    for (const PackageManifest& package : packages) {
        ids.append(package.id);
    }
    return ids;
}

TEST(PackageUpdatesTest, ListsExactlyInstalledPluginsWhoseCatalogVersionIsNewerInCatalogOrder) {
    // GIVEN a catalog and records covering each case of the rule
    const QList<PackageManifest> catalog = {
        catalogPackage("older-by-number", "1.10"),
        catalogPackage("template-older", "2.0", PackageType::template_),
        catalogPackage("not-installed", "9.0"),
        catalogPackage("equal", "1.0"),
        catalogPackage("installed-newer", "1.0"),
        catalogPackage("filter-older", "1.0.1", PackageType::filter),
        catalogPackage("padded-equal", "1.0"),
    };
    const auto records = recordsByID({
        installedRecord("older-by-number", "1.9"),
        installedRecord("template-older", "1.0", PackageType::template_),
        installedRecord("equal", "1.0"),
        installedRecord("installed-newer", "1.0.1"),
        installedRecord("filter-older", "1.0", PackageType::filter),
        installedRecord("padded-equal", "1.0.0"),
        installedRecord("not-in-catalog", "0.1"),
    });

    // WHEN the updates are worked out
    const auto updates = availableUpdates(catalog, records);

    // THEN only the plug-ins installed at an older version remain, in the catalog's order
    EXPECT_EQ(idsOf(updates), (QStringList{"older-by-number", "filter-older"}));
    EXPECT_EQ(availableUpdateCount(catalog, records), 2);
}

TEST(PackageUpdatesTest, CountTextHasASingularForOneUpdateOnly) {
    const std::pair<qsizetype, QString> cases[] = {
        {0, "0 updates available"}, {1, "1 update available"}, {3, "3 updates available"}};
    for (const auto& [count, expected] : cases) {
        EXPECT_EQ(updateCountText(count), expected);
    }
}

TEST(PackageUpdatesTest, UpdateAllWaitsForAnyOperationButARowOnlyForItsOwnPackage) {
    // GIVEN two updates, one of them being installed, and another package being removed
    const QList<PackageManifest> catalog = {catalogPackage("a", "2.0"), catalogPackage("b", "2.0")};
    const auto records = recordsByID({installedRecord("a", "1.0"), installedRecord("b", "1.5")});

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
    PackageManifest blankSummary = catalogPackage("blank", "2.0");
    blankSummary.summary = "";
    PackageManifest noSummary = catalogPackage("none", "2.0");
    noSummary.summary.reset();
    PackageManifest spaces = catalogPackage("spaces", "2.0");
    spaces.summary = "  ";
    const auto records =
        recordsByID({installedRecord("blank", "1.0"), installedRecord("none", "1.1"),
                     installedRecord("spaces", "1.2")});

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
