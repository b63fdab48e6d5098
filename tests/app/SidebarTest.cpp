#include "app/Sidebar.h"

#include "AppTestSupport.h"
#include "app/SidebarUIState.h"
#include "catalog/InstalledPackageStore.h"
#include "screens/appupdate/AppUpdateService.h"
#include "support/CatalogFixtures.h"
#include "support/LoopbackHttpServer.h"
#include "support/WidgetTesting.h"
#include "ui/kit/AppTheme.h"

#include <QLabel>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace marlox::app;
using namespace marlox::testing;
using marlox::catalog::InstalledPackageMap;

namespace {

const QString announcedBuild = "120";

// A window of the real application whose feed announces build 120 (the bundle is build 100).
class SidebarTest : public AppTest {
protected:
    void SetUp() override {
        prepareWidgetTests();
        server.setAnswer(
            "/appcast.xml",
            HttpAnswer{200, appcast(appcastItem(announcedBuild.toUtf8(), "1.2")), {}, {}});
    }

    RootView& openWindow() {
        auto platform = scratchPlatform(updaters.factory());
        platform.configuration.appcastFeedURL = server.url("/appcast.xml");
        return AppTest::openWindow(std::move(platform));
    }

    SidebarRow& row(AppSection section) const { return *window->sidebar()->row(section); }
    bool bannerShows() const { return isShown(*window, "updateBanner"); }

    // Records of the first `count` catalog plug-ins at version 0.1.
    void installOldVersionsOf(qsizetype count) {
        InstalledPackageMap records;
        for (const auto& package : app->catalogService().packages()) {
            if (records.size() < count && package.type != marlox::catalog::PackageType::template_) {
                records.insert(package.id, testRecord(package.id, "0.1", package.type, "/nowhere"));
            }
        }
        app->installedStore().setInstalledByID(records);
    }

    LoopbackHttpServer server;
};

TEST_F(SidebarTest, ToolbarButtonCollapsesAndExpandsEveryWindowsSidebar) {
    // GIVEN two windows with the sidebar expanded (both widths are the sidebar's goldens)
    auto& first = openWindow();
    RootView* second = app->openWindow();
    auto* toggle = first.findChild<QToolButton*>("sidebarToggle");
    EXPECT_EQ(toggle->toolTip(), "Collapse Sidebar");

    // WHEN the toolbar button is pressed
    toggle->click();
    settle();

    // THEN the other window's sidebar is collapsed too, and the button offers expanding
    EXPECT_EQ(second->sidebar()->width(), 92);
    EXPECT_EQ(toggle->toolTip(), "Expand Sidebar");
    EXPECT_EQ(row(AppSection::updates).toolTip(), "Updates");

    // WHEN it is pressed again THEN the sidebar is expanded again
    toggle->click();
    settle();
    EXPECT_EQ(first.sidebar()->width(), 272);
    EXPECT_TRUE(app->sidebarUIState().isCollapsed() == false);
}

TEST_F(SidebarTest, AnnouncedUpdateShowsBannerAndDotUntilDismissed) {
    // GIVEN a feed announcing a newer build (the sidebar's golden shows banner and dot)
    auto& shown = openWindow();
    ASSERT_TRUE(bannerShows());

    // WHEN "Dismiss" is clicked
    ASSERT_TRUE(clickNamed(shown, "updateBannerDismiss"));

    // THEN banner and dot are gone at once, and the build is remembered
    EXPECT_FALSE(bannerShows());
    EXPECT_EQ(row(AppSection::settings).mark(), SidebarMark{});
    EXPECT_EQ(app->userDefaults().string("appUpdate.dismissedBuild"), announcedBuild);
}

TEST_F(SidebarTest, ALongVersionEndsInAnEllipsisBesideABuildKeptWhole) {
    // GIVEN a feed announcing a long version with a 20-digit build
    server.setAnswer("/appcast.xml", HttpAnswer{200,
                                                appcast(appcastItem("99999999999999999999",
                                                                    "2.0.0-abcdefghijabcdefghij")),
                                                {},
                                                {}});

    // WHEN the window shows its banner
    auto& shown = openWindow();
    grab(shown, QSize(1100, 700));

    // THEN each line of the version fits the banner, the build whole on its own
    auto* version = shown.findChild<QLabel*>("updateBannerVersion");
    const QStringList lines = version->text().split('\n');
    for (const QString& line : lines) {
        EXPECT_LE(version->fontMetrics().horizontalAdvance(line), version->width())
            << line.toStdString();
    }
    EXPECT_EQ(lines.last(), "(99999999999999999999)");
    EXPECT_TRUE(lines.first().endsWith(QChar(0x2026))) << lines.first().toStdString();
}

TEST_F(SidebarTest, BannerClickHandsTheUserCheckToTheUpdater) {
    // GIVEN the banner WHEN it is clicked THEN the updater runs its check
    auto& shown = openWindow();
    ASSERT_TRUE(clickNamed(shown, "updateBannerCheck"));
    EXPECT_EQ(updaters.checks, 1);
}

TEST_F(SidebarTest, PointerMovingStraightFromRowToRowLeavesTheNewRowHovered) {
    // GIVEN the pointer on Plugins
    auto& shown = openWindow();
    hoverEnter(row(AppSection::plugins));

    // WHEN it enters Updates before Plugins reports the exit
    hoverEnter(row(AppSection::updates));
    hoverLeave(row(AppSection::plugins));

    // THEN Updates stays hovered and alone carries the hover fill
    EXPECT_EQ(shown.hoveredSection(), AppSection::updates);
    EXPECT_EQ(row(AppSection::updates).colors().fill,
              marlox::ui::withOpacity(marlox::ui::AppPalette::panelRaised(), 0.9));
    EXPECT_EQ(row(AppSection::plugins).colors().fill, QColor(Qt::transparent));
}

TEST_F(SidebarTest, HoveredSelectedRowStaysWhiteAndClickingARowSelectsIt) {
    // GIVEN the window on Home, the pointer on Plugins
    auto& shown = openWindow();
    hoverEnter(row(AppSection::plugins));

    // WHEN Plugins is clicked
    ASSERT_TRUE(clickNamed(shown, "sidebarRow-plugins"));

    // THEN it is selected, white with a black foreground though hovered, and its screen shows
    EXPECT_EQ(shown.selectedSection(), AppSection::plugins);
    EXPECT_EQ(row(AppSection::plugins).colors(), (SidebarRowColors{Qt::black, Qt::white}));
    EXPECT_EQ(row(AppSection::home).colors().fill, QColor(Qt::transparent));
}

TEST_F(SidebarTest, HomeAndPluginsStandWithoutTheDetailHeader) {
    // GIVEN a window WHEN each section is selected THEN only four stand under the header
    auto& shown = openWindow();
    for (const AppSection section : allAppSections) {
        shown.selectSection(section);
        const bool expected = section != AppSection::home && section != AppSection::plugins;
        EXPECT_EQ(shown.detailHeader()->isVisible(), expected) << rawValue(section).toStdString();
    }
}

TEST_F(SidebarTest, SidebarLooksAsChecked) {
    // GIVEN an announced update, three plug-ins to update and the pointer on Installed
    auto& shown = openWindow();
    installOldVersionsOf(3);
    hoverEnter(row(AppSection::installed));

    // WHEN the window is drawn expanded and then collapsed
    const QImage expanded = grab(shown, QSize(1100, 700));
    app->sidebarUIState().setCollapsed(true);
    const QImage collapsed = grab(shown, QSize(1100, 700));

    // THEN each sidebar, at the window's left edge under the toolbar, looks as checked
    EXPECT_TRUE(matchesGolden(expanded.copy(0, 0, 272, 700), goldenPath("sidebar-expanded")));
    EXPECT_TRUE(matchesGolden(collapsed.copy(0, 0, 92, 700), goldenPath("sidebar-collapsed")));
}

TEST(SidebarNameLineTest, OnlyADeveloperBuildCarriesTheDeveloperPill) {
    prepareWidgetTests();
    for (const bool developer : {false, true}) {
        // GIVEN a release build and a developer build of the bundle
        ScratchHome home;
        const auto bundle = scratchBundle(
            home, {{"CFBundleIdentifier", developer ? "studio.marlox.MarloxStudio.developer"
                                                    : "studio.marlox.MarloxStudio"},
                   {"CFBundleDisplayName", "Marlox Studio"}});

        // WHEN the sidebar is made for it
        Sidebar sidebar(bundle);

        // THEN the name line shows the display name, with the pill only in the developer build
        EXPECT_EQ(sidebar.findChild<QLabel*>("sidebarAppName")->text(), "Marlox Studio");
        EXPECT_EQ(sidebar.findChild<QWidget*>("developerPill") != nullptr, developer);
    }
}

} // namespace
