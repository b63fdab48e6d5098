#include "ui/plugins/LibraryFilters.h"

#include "LibraryTestSupport.h"
#include "catalog/CatalogService.h"

#include <gtest/gtest.h>

using namespace marlox::ui;
using namespace marlox::testing;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;

namespace {

LibraryFilterState stateOf(PluginTypeFilter type, LibraryFilter filter = LibraryFilter::all,
                           const QString& category = allCategoriesSentinel,
                           const QString& query = {}) {
    return {type, filter, category, query};
}

// Two generators, two filters and a template in several categories; records make one an update
// and two installed.
class LibraryCatalogTest : public ::testing::Test {
protected:
    QList<PackageManifest> catalog = marlox::catalog::packagesSortedByName({
        libraryPackage("tc", "Timecode", PackageType::filter, "Time & Counters", "1.10",
                       "Burns timecode into review copies"),
        libraryPackage("cd", "Countdown", PackageType::generator, "Time & Counters", "2.0"),
        libraryPackage("grid", "grid Layout", PackageType::generator, "Text & Layout", "1.2.0"),
        libraryPackage("grade", "Film Grade", PackageType::filter, "Color & Grade", "3.0"),
        libraryPackage("titles", "Titles", PackageType::template_, "Text & Layout", "1.0"),
    });
    marlox::catalog::InstalledPackageMap records =
        recordsOfVersions({{"tc", "1.9"}, {"grid", "1.2"}, {"grade", "3.1"}, {"titles", "0.1"}});

    QStringList shown(const LibraryFilterState& state) const {
        return idsOf(filteredPackages(catalog, records, state));
    }
};

TEST_F(LibraryCatalogTest, TypeCategoryQueryAndInstallFiltersCombine) {
    struct Case {
        const char* name;
        LibraryFilterState state;
        QStringList ids;
    };
    const QString all = allCategoriesSentinel;
    const QList<Case> cases = {
        {"everything but the template",
         stateOf(PluginTypeFilter::all),
         {"tc", "cd", "grade", "grid"}},
        {"generators", stateOf(PluginTypeFilter::generators), {"cd", "grid"}},
        {"filters", stateOf(PluginTypeFilter::filters), {"tc", "grade"}},
        {"installed keeps updates",
         stateOf(PluginTypeFilter::all, LibraryFilter::installed),
         {"tc", "grade", "grid"}},
        {"not installed", stateOf(PluginTypeFilter::all, LibraryFilter::notInstalled), {"cd"}},
        {"one category",
         stateOf(PluginTypeFilter::all, LibraryFilter::all, "Time & Counters"),
         {"tc", "cd"}},
        {"the template's category",
         stateOf(PluginTypeFilter::all, LibraryFilter::all, "Text & Layout"),
         {"grid"}},
        {"category matched exactly",
         stateOf(PluginTypeFilter::all, LibraryFilter::all, "time & counters"),
         {}},
        {"query with filters",
         stateOf(PluginTypeFilter::filters, LibraryFilter::installed, all, "e"),
         {"tc", "grade"}},
        {"query finds the summary",
         stateOf(PluginTypeFilter::all, LibraryFilter::all, all, "review"),
         {"tc"}},
        {"query never finds a template",
         stateOf(PluginTypeFilter::all, LibraryFilter::all, all, "titles"),
         {}},
        {"a category named like the sentinel is all",
         stateOf(PluginTypeFilter::generators, LibraryFilter::all, "__all_categories__"),
         {"cd", "grid"}},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(shown(testCase.state), testCase.ids) << testCase.name;
    }
}

TEST_F(LibraryCatalogTest, SortsUpdatesThenNotInstalledThenInstalledEachByNameIgnoringCase) {
    // GIVEN two more uninstalled packages whose names sort apart only when case is ignored
    catalog = marlox::catalog::packagesSortedByName(
        catalog + QList{libraryPackage("b", "beacon"), libraryPackage("a", "Aurora")});
    // THEN the update leads, the uninstalled follow by name, then the installed ones by name
    EXPECT_EQ(shown(stateOf(PluginTypeFilter::all)),
              QStringList({"tc", "a", "b", "cd", "grade", "grid"}));
}

TEST(LibraryFiltersTest, SortsAGroupByNameKeepingCatalogOrderForNamesEqualButForCase) {
    // GIVEN packages out of name order, two of them named alike but for case
    const QList<PackageManifest> catalog = {
        libraryPackage("zeta", "Zeta"), libraryPackage("second", "glow"),
        libraryPackage("first", "Glow"), libraryPackage("alpha", "alpha")};
    EXPECT_EQ(idsOf(filteredPackages(catalog, {}, stateOf(PluginTypeFilter::all))),
              QStringList({"alpha", "second", "first", "zeta"}));
}

TEST(LibraryFiltersTest, CardStateComparesRecordedWithCatalogVersion) {
    struct Case {
        std::optional<QString> recorded;
        QString catalogVersion;
        LibraryCardState state;
    };
    const QList<Case> cases = {
        {std::nullopt, "1.0", LibraryCardState::notInstalled},
        {"1.2", "1.2.0", LibraryCardState::installed},
        {"1.9", "1.10", LibraryCardState::update},
        {"2.0", "1.9", LibraryCardState::installed},
        {"1.0", "1.0.1", LibraryCardState::update},
    };
    for (const Case& testCase : cases) {
        const auto records = testCase.recorded ? recordsOfVersions({{"p", *testCase.recorded}})
                                               : recordsOfVersions({{"other", "1.0"}});
        const PackageManifest package = libraryPackage("p", "P", PackageType::filter,
                                                       "Time & Counters", testCase.catalogVersion);
        EXPECT_EQ(cardState(package, records), testCase.state)
            << testCase.recorded.value_or("none").toStdString() << " against "
            << testCase.catalogVersion.toStdString();
    }
}

TEST(LibraryFiltersTest, QueryIsTrimmedCaseInsensitiveAndSearchesNameCategoryIdAndSummary) {
    const PackageManifest withSummary =
        libraryPackage("studio.marlox.glow", "Soft Glow", PackageType::filter, "Color & Grade",
                       "1.0", "Blooms highlights like a Café window at 6500\u0130");
    const PackageManifest withoutSummary = libraryPackage(
        "studio.marlox.glow", "Soft Glow", PackageType::filter, "Color & Grade", "1.0");
    struct Case {
        QString query;
        bool matchesWithSummary;
        bool matchesWithoutSummary;
    };
    const QList<Case> cases = {
        {"", true, true},
        {" \n\t ", true, true},
        {"  soft glow ", true, true},
        {"studio.marlox.glow", true, true},
        {"glow color", true, true},
        {"grade studio", true, true},
        {"highlights", true, false},
        {"caf\u00e9", true, false},
        {"cafe\u0301", true, false},
        {"cafe", false, false},
        {"6500i", true, false},
        {"glowing", false, false},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(matchesQuery(withSummary, testCase.query), testCase.matchesWithSummary)
            << '"' << testCase.query.toStdString() << '"';
        EXPECT_EQ(matchesQuery(withoutSummary, testCase.query), testCase.matchesWithoutSummary)
            << '"' << testCase.query.toStdString() << '"';
    }
}

TEST(LibraryFiltersTest, CategoryMenuOffersFixedTitlesInOrderThenOthersByLowerCasedText) {
    // GIVEN plug-ins in fixed and other categories (one spelled like a fixed title in lower case,
    // two differing only in case, one twice) and a template in a category of its own
    const QList<PackageManifest> catalog = {
        libraryPackage("1", "1", PackageType::filter, "Text & Layout"),
        libraryPackage("2", "2", PackageType::generator, "Rotoscope"),
        libraryPackage("3", "3", PackageType::filter, "text & layout"),
        libraryPackage("4", "4", PackageType::generator, "Time & Counters"),
        libraryPackage("5", "5", PackageType::filter, "atmosphere"),
        libraryPackage("6", "6", PackageType::template_, "Animated Titles"),
        libraryPackage("7", "7", PackageType::generator, "Rotoscope"),
        libraryPackage("8", "8", PackageType::generator, "Compositing & Keying"),
        libraryPackage("9", "9", PackageType::generator, "Atmosphere"),
    };
    // THEN each category shows once, templates add none, and case-only twins both stay
    EXPECT_EQ(availableCategories(catalog),
              QStringList({"Time & Counters", "Text & Layout", "Compositing & Keying", "atmosphere",
                           "Atmosphere", "Rotoscope", "text & layout"}));
}

TEST(LibraryFiltersTest, SelectedCategoryFallsBackToAllOnlyWhenItLeavesTheMenu) {
    const QStringList menu = {"Time & Counters", "Rotoscope"};
    const QList<std::pair<QString, QString>> cases = {
        {allCategoriesSentinel, allCategoriesSentinel},
        {"Rotoscope", "Rotoscope"},
        {"rotoscope", allCategoriesSentinel},
        {"Color & Grade", allCategoriesSentinel},
    };
    for (const auto& [selected, kept] : cases) {
        EXPECT_EQ(resetMissingCategory(selected, menu), kept) << selected.toStdString();
    }
}

TEST(LibraryFiltersTest, EachFilterIsMadeOnlyFromARawValueOfItsOwnTable) {
    const std::pair<QString, PluginTypeFilter> types[] = {
        {"all", PluginTypeFilter::all},
        {"generators", PluginTypeFilter::generators},
        {"filters", PluginTypeFilter::filters}};
    for (const auto& [raw, filter] : types) {
        EXPECT_EQ(pluginTypeFilterFromRawValue(raw), filter) << raw.toStdString();
    }
    const std::pair<QString, LibraryFilter> states[] = {
        {"all", LibraryFilter::all},
        {"installed", LibraryFilter::installed},
        {"notInstalled", LibraryFilter::notInstalled}};
    for (const auto& [raw, filter] : states) {
        EXPECT_EQ(libraryFilterFromRawValue(raw), filter) << raw.toStdString();
    }
    // Titles, other letter cases, spaces and the other table's values give nothing.
    for (const QString raw : {"All", "generator", "Not Installed", "notinstalled", " all", ""}) {
        EXPECT_EQ(pluginTypeFilterFromRawValue(raw), std::nullopt) << raw.toStdString();
        EXPECT_EQ(libraryFilterFromRawValue(raw), std::nullopt) << raw.toStdString();
    }
    EXPECT_EQ(pluginTypeFilterFromRawValue("installed"), std::nullopt);
    EXPECT_EQ(libraryFilterFromRawValue("generators"), std::nullopt);
}

} // namespace
