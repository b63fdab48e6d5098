#include "ui/HomeView.h"

#include "catalog/Environment.h"
#include "platform/Bundle.h"
#include "support/ScreenFixture.h"

#include <QTest>

using namespace marlox::testing;
using marlox::ui::HomeView;

namespace {

class HomeViewTest : public ScreenTest {
protected:
    std::unique_ptr<HomeView> makeView(marlox::ui::RandomIndexSource randomIndex = firstIndex()) {
        return std::make_unique<HomeView>(
            *services.catalogService, services.store, thumbnails, summaryCache,
            [this](const QString& section) { sections.append(section); }, randomIndex);
    }
    static marlox::ui::RandomIndexSource firstIndex() {
        return [](qsizetype) { return qsizetype(0); };
    }

    QStringList sections;
    marlox::ui::HomeSummaryCache summaryCache;
};

TEST_F(HomeViewTest, GuideRowsAskTheWindowForPluginsInstalledAndSettingsWhereverPressed) {
    auto view = makeView();
    grab(*view, {1100, 700});
    for (const char* step : {"guideStep01", "guideStep02", "guideStep03"}) {
        EXPECT_TRUE(clickNamed(*view, step));
    }
    // A press in the gap between the texts and the chevron counts too.
    QWidget* row = widgetNamed(*view, "guideStep01");
    ASSERT_NE(row, nullptr);
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() - 30, 4));
    EXPECT_EQ(sections, QStringList({"plugins", "installed", "settings", "plugins"}));
}

TEST_F(HomeViewTest, FeaturedPackIsDrawnOnceWhenFirstShownAndKeptAfterwards) {
    QList<qsizetype> draws;
    auto view = makeView([&](qsizetype count) {
        draws.append(count);
        return count - 1;
    });
    EXPECT_EQ(view->featuredPackageID(), std::nullopt);
    grab(*view, {1100, 700});
    // The built-in catalog's last plug-in by name is the timecode filter.
    EXPECT_EQ(view->featuredPackageID(), "studio.marlox.timecode-burn");
    EXPECT_EQ(labelText(*view, "featuredName"), "Timecode Burn-In");
    view->hide();
    view->show();
    settle();
    EXPECT_EQ(draws.size(), 1);
}

TEST_F(HomeViewTest, AnEmptyCatalogAtFirstShowPicksNothingAndLaterShowsTheFirstCandidate) {
    // GIVEN a catalog service whose remote catalog file is not there yet and whose bundle holds
    // no built-in catalog
    const QString catalogFile = home.filePath("catalogs/remote.json");
    QDir().mkpath(home.filePath("Empty.app"));
    services.useRemoteCatalog(QUrl::fromLocalFile(catalogFile),
                              *marlox::platform::Bundle::load(home.filePath("Empty.app")));
    services.catalogService->reload();
    ASSERT_TRUE(waitUntil([&] { return services.catalogService->packages().isEmpty(); }));
    auto view = makeView();
    grab(*view, {1100, 700});
    EXPECT_EQ(view->featuredPackageID(), std::nullopt);
    EXPECT_EQ(view->findChild<QWidget*>("featuredCard"), nullptr);
    // A failed load shows its message in the red notice.
    EXPECT_TRUE(isShown(*view, "catalogErrorNotice"));

    // WHEN the catalog file appears and the catalog is loaded again
    writeFile(catalogFile, readFile(marlox::catalog::urlForResource("manifest", "json")));
    ASSERT_TRUE(services.loadBuiltInCatalog());
    settle();
    EXPECT_EQ(labelText(*view, "featuredName"), "Chroma Key");
    EXPECT_EQ(view->findChild<QWidget*>("catalogErrorNotice"), nullptr);
}

TEST_F(HomeViewTest, InstallingRedrawsTheTilesAtOnce) {
    auto view = makeView();
    grab(*view, {1100, 700});
    EXPECT_EQ(widgetNamed(*view, "installedProgressRing")->accessibleName(), "0%");
    ASSERT_TRUE(services.installAndSettle(builtInPackage(countdownID)));
    settle();
    EXPECT_EQ(widgetNamed(*view, "installedProgressRing")->accessibleName(), "10%");
}

TEST_F(HomeViewTest, LooksAsDesignedWithTwoPackagesInstalled) {
    ASSERT_TRUE(services.installAndSettle(builtInPackage(countdownID)));
    ASSERT_TRUE(services.installAndSettle(builtInPackage(filmGradeID)));
    auto view = makeView();
    view->resize(1100, 700);
    view->show();
    ASSERT_TRUE(thumbnailsLoaded(*view));
    const QImage picture = grab(*view, {1100, 700});
    EXPECT_TRUE(matchesGolden(picture, goldenPath("home")));
}

} // namespace
