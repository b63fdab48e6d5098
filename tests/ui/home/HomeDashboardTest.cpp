#include "ui/home/HomeDashboard.h"

#include "support/CatalogFixtures.h"

#include <gtest/gtest.h>

using namespace marlox::ui;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;
using marlox::testing::idsOf;
using marlox::testing::testPackage;

namespace {

QList<PackageManifest> packagesOfKinds(int generators, int filters, int templates = 0) {
    QList<PackageManifest> packages;
    for (int index = 0; index < generators + filters + templates; ++index) {
        const PackageType type = index < generators             ? PackageType::generator
                                 : index < generators + filters ? PackageType::filter
                                                                : PackageType::template_;
        packages.append(testPackage(QString::number(index), type));
    }
    return packages;
}

// The content is the detail pane less a 48-point margin, never less than nothing.
TEST(HomeDashboardTest, LayoutSwitchesAtEachContentWidthThresholdTakingTheWiderLayoutOnIt) {
    struct Case {
        double detailWidth;
        HomeLayout layout;
    };
    const Case cases[] = {
        {30, {1, 1, 1, 26, 0}},       {467.5, {1, 1, 1, 26, 146.825}}, {468, {3, 1, 1, 26, 147}},
        {668, {3, 1, 1, 30, 217}},    {748, {3, 1, 2, 30, 245}},       {968, {3, 1, 2, 34, 320}},
        {1027.5, {3, 1, 2, 34, 320}}, {1028, {3, 2, 2, 34, 320}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.detailWidth);
        const HomeLayout layout = homeLayout(homeContentWidth(row.detailWidth));
        EXPECT_EQ(layout.statColumns, row.layout.statColumns);
        EXPECT_EQ(layout.cardColumns, row.layout.cardColumns);
        EXPECT_EQ(layout.whatsNewColumns, row.layout.whatsNewColumns);
        EXPECT_EQ(layout.headlineSize, row.layout.headlineSize);
        EXPECT_DOUBLE_EQ(layout.featuredThumbnailWidth, row.layout.featuredThumbnailWidth);
    }
}

// A tile as one line: title, value, sub-line and, for a ring, its label.
QString tileLine(const StatTile& tile) {
    return QStringList({tile.title, tile.value, tile.subLine}).join(" | ") +
           (tile.progress ? " | " + percentText(*tile.progress) : "");
}

TEST(HomeDashboardTest, StatTilesCountPluginsAndHowMuchOfThemIsInstalled) {
    struct Case {
        const char* name;
        QList<PackageManifest> packages;
        qsizetype records;
        QString plugins;
        QString installed;
    };
    const Case cases[] = {
        {"empty catalog", packagesOfKinds(0, 0), 0, "Plugins | 0 | 0 generators and 0 filters",
         "Installed | 0 | Library is fully installed"},
        {"empty catalog, three records", packagesOfKinds(0, 0), 3,
         "Plugins | 0 | 0 generators and 0 filters", "Installed | 3 | 0 still available"},
        {"2 of 4", packagesOfKinds(3, 1), 2, "Plugins | 4 | 3 generators and 1 filters",
         "Installed | 2 | 2 still available | 50%"},
        {"2 of 3", packagesOfKinds(1, 2), 2, "Plugins | 3 | 1 generators and 2 filters",
         "Installed | 2 | 1 still available | 67%"},
        {"5 records against 4", packagesOfKinds(2, 2, 1), 5,
         "Plugins | 4 | 2 generators and 2 filters", "Installed | 5 | 0 still available | 125%"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        const CatalogCoverage coverage = catalogCoverage(row.packages, row.records);
        EXPECT_EQ(tileLine(pluginsTile(coverage)), row.plugins);
        EXPECT_EQ(tileLine(installedTile(coverage)), row.installed);
    }
}

TEST(HomeDashboardTest, RingLabelRoundsThePercentHalfAwayFromZero) {
    const std::pair<double, QString> labels[] = {
        {0.125, "13%"}, {0.124, "12%"}, {1.5, "150%"}, {0, "0%"}, {-0.005, "-1%"}};
    for (const auto& [progress, label] : labels) {
        EXPECT_EQ(percentText(progress), label) << progress;
    }
}

TEST(HomeDashboardTest, WhatsNewLeavesOutTemplatesEmptyNotesAndExactlyInitialRelease) {
    const QList<PackageManifest> packages = {
        testPackage("initial", PackageType::generator, "1.0", "Initial release."),
        testPackage("no-stop", PackageType::generator, "1.0", "Initial release"),
        testPackage("lower", PackageType::generator, "1.0", "initial release."),
        testPackage("leading", PackageType::filter, "1.0", " Initial release."),
        testPackage("space", PackageType::filter, "1.0", " "),
        testPackage("empty", PackageType::filter, "1.0", ""),
        testPackage("template", PackageType::template_, "9.0", "Big news."),
    };
    EXPECT_EQ(idsOf(whatsNewPackages(packages)),
              QStringList({"no-stop", "lower", "leading", "space"}));
}

TEST(HomeDashboardTest, WhatsNewKeepsTheFourHighestVersionsWithEqualVersionsInNameOrder) {
    // GIVEN seven qualifying packages in the catalog's name order
    const QList<PackageManifest> packages = {
        testPackage("a", PackageType::generator, "1.2"),
        testPackage("b", PackageType::filter, "0.9"),
        testPackage("c", PackageType::generator, "2.0"),
        testPackage("d", PackageType::filter, "1.2.0"),
        testPackage("e", PackageType::generator, "1.10"),
        testPackage("f", PackageType::generator, "1.1"),
        testPackage("g", PackageType::filter, "0.1"),
    };
    // THEN the four newest are listed highest first; 1.2 and 1.2.0 keep their order
    EXPECT_EQ(idsOf(whatsNewPackages(packages)), QStringList({"c", "e", "a", "d"}));
}

TEST(HomeDashboardTest, FeaturedPackageIsThePickedCandidateElseTheFirstCandidate) {
    const QList<PackageManifest> packages = {testPackage("alpha", PackageType::template_),
                                             testPackage("beta", PackageType::filter),
                                             testPackage("gamma", PackageType::filter)};
    const std::pair<std::optional<QString>, QString> cases[] = {
        {std::nullopt, "beta"}, {"gamma", "gamma"}, {"alpha", "beta"}, {"gone", "beta"}};
    for (const auto& [featuredID, expected] : cases) {
        SCOPED_TRACE(featuredID.value_or("none").toStdString());
        EXPECT_EQ(featuredPackage(packages, featuredCandidates(packages), featuredID).value().id,
                  expected);
    }
    const QList<PackageManifest> templates = packagesOfKinds(0, 0, 2);
    EXPECT_FALSE(featuredPackage(templates, featuredCandidates(templates), std::nullopt));
}

TEST(HomeDashboardTest, PickDrawsAmongPluginCandidatesOnlyAndNeverPicksAgain) {
    // GIVEN two filters and a template
    const QList<PackageManifest> packages = {testPackage("a", PackageType::filter),
                                             testPackage("b", PackageType::template_),
                                             testPackage("c", PackageType::filter)};
    QList<qsizetype> bounds;
    const auto fixedSource = [&](qsizetype index) {
        return [&bounds, index](qsizetype count) {
            bounds.append(count);
            return index;
        };
    };
    // WHEN the screen is shown with each draw THEN either filter can be picked, never the template
    const FeaturedCandidates candidates = featuredCandidates(packages);
    EXPECT_EQ(pickFeaturedPackageID(packages, candidates, std::nullopt, fixedSource(0)), "a");
    EXPECT_EQ(pickFeaturedPackageID(packages, candidates, std::nullopt, fixedSource(1)), "c");
    EXPECT_EQ(bounds, QList<qsizetype>({2, 2}));
    // AND an id once picked stays, even one no longer a candidate, with no new draw
    EXPECT_EQ(pickFeaturedPackageID(packages, candidates, "b", fixedSource(0)), "b");
    // AND an empty catalog picks nothing
    EXPECT_EQ(pickFeaturedPackageID({}, {}, std::nullopt, fixedSource(0)), std::nullopt);
    EXPECT_EQ(bounds.size(), 2);
}

TEST(HomeDashboardTest, SystemRandomSourceStaysWithinTheBound) {
    const RandomIndexSource source = systemRandomIndexSource();
    QSet<qsizetype> seen;
    for (int draw = 0; draw < 200; ++draw) {
        seen.insert(source(3));
    }
    EXPECT_EQ(seen, QSet<qsizetype>({0, 1, 2}));
}

TEST(HomeDashboardTest, SystemStatusShowsTheSourceAndInstallCoverage) {
    const auto lines = [](const QList<StatusRow>& rows) {
        QStringList shown;
        for (const StatusRow& row : rows) {
            const char* tone = row.valueTone == StatusValueTone::accent ? "accent" : "primary";
            shown.append(QStringList({row.title, row.value, tone, row.detail}).join(" | "));
        }
        return shown;
    };
    const marlox::catalog::CatalogManifest manifest{"1", "2026-12-01T09:00:00Z", {}};
    EXPECT_EQ(lines(systemStatusRows("Embedded", manifest, {3, 0, 3})),
              QStringList({"Catalog Build | Embedded | accent | 2026-12-01T09:00:00Z",
                           "Install Coverage | 3 / 3 | primary | Everything installed"}));
    EXPECT_EQ(lines(systemStatusRows("Embedded", std::nullopt, {2, 1, 5})),
              QStringList({"Catalog Build | Embedded | accent | Embedded manifest",
                           "Install Coverage | 5 / 3 | primary | Some packs are still available"}));
}

} // namespace
