#include "screens/updates/UpdatesView.h"

#include "support/CatalogFixtures.h"
#include "support/LongTexts.h"
#include "support/ScreenFixture.h"
#include "ui/kit/AppPill.h"

#include <QLabel>
#include <QTest>

#include <algorithm>

using namespace marlox::catalog;
using namespace marlox::screens;
using namespace marlox::testing;

namespace {

class UpdatesViewTest : public ScreenTest {
protected:
    std::unique_ptr<UpdatesView> makeView() {
        auto view = std::make_unique<UpdatesView>(*services.catalogService, services.store,
                                                  *services.coordinator, thumbnails);
        grab(*view, QSize(1100, 700));
        return view;
    }
    static QStringList listedIDs(const UpdatesView& view) {
        QStringList ids;
        for (const UpdateRow& row : view.content().rows) {
            ids.append(row.package.id);
        }
        return ids;
    }
};

TEST_F(UpdatesViewTest, TheEmptyCardTakesOverOnceTheLastUpdateIsInstalledElsewhere) {
    // GIVEN an older Countdown Pro listed and counted
    services.recordInstalled({{countdownID, "2.2.9"}});
    const auto view = makeView();
    ASSERT_NE(view->row(countdownID), nullptr);

    // WHEN the record reaches the catalog's version
    services.recordInstalled({{countdownID, "2.3.0"}});

    // THEN the row is gone and the empty card says so
    EXPECT_EQ(view->row(countdownID), nullptr);
    EXPECT_EQ(labelText(*view, "noUpdatesText"), "No updates available.");
    EXPECT_FALSE(view->findChild<QWidget*>("updatesHeader")->isVisibleTo(view.get()));
}

TEST_F(UpdatesViewTest, UpdatesOnePackageThroughTheCoordinatorAndHoldsOnlyItsOwnButton) {
    // GIVEN two pending updates and an install whose registration waits
    const HeldTool pluginkit = services.holdRegistration(home.filePath("held"));
    services.recordInstalled({{countdownID, "2.0"}, {filmGradeID, "2.0"}});
    const auto view = makeView();

    // WHEN Countdown Pro's "Update" is pressed
    ASSERT_TRUE(clickNamed(*view->row(countdownID), "updateButton"));
    ASSERT_TRUE(waitUntil([&] { return pluginkit.isHeld(); }));

    // THEN while it runs, "Update All" and its own button wait, Film Grade's does not
    EXPECT_FALSE(widgetNamed(*view, "updateAllButton")->isEnabled());
    EXPECT_FALSE(view->row(countdownID)->updateButton().isEnabled());
    EXPECT_TRUE(view->row(filmGradeID)->updateButton().isEnabled());

    // WHEN it completes
    pluginkit.release();
    ASSERT_TRUE(services.settle());

    // THEN the record carries the catalog version, its files are in place and the row is gone
    EXPECT_EQ(services.store.record(countdownID)->version, "2.3.0");
    EXPECT_TRUE(QFileInfo(installFolderPath() + '/' + countdownID).isDir());
    EXPECT_EQ(listedIDs(*view), QStringList{filmGradeID});
    EXPECT_EQ(labelText(*view, "updateCountText"), "1 update available");
    EXPECT_TRUE(widgetNamed(*view, "updateAllButton")->isEnabled());
}

TEST_F(UpdatesViewTest, UpdateAllHandsOnlyTheListedPluginsToTheCoordinator) {
    // GIVEN two older plug-ins and an older template
    services.recordInstalled(
        {{countdownID, "1.0"}, {filmGradeID, "1.0"}, {kineticTitlesID, "1.0"}});
    const auto view = makeView();
    QStringList runs;
    QObject::connect(services.coordinator.get(),
                     &marlox::install::InstallationCoordinator::bulkInstallProgressChanged, [&] {
                         if (const auto& progress = services.coordinator->bulkInstallProgress()) {
                             runs.append(QString("%1/%2 %3")
                                             .arg(progress->current)
                                             .arg(progress->total)
                                             .arg(progress->packageName));
                         }
                     });

    // WHEN "Update All" is pressed
    ASSERT_TRUE(clickNamed(*view, "updateAllButton"));
    ASSERT_TRUE(
        waitUntil([&] { return runs.size() == 2 && !services.coordinator->operationInFlight(); },
                  std::chrono::seconds(30)));

    // THEN both plug-ins were updated in the list's order and the template was left alone
    EXPECT_EQ(runs, (QStringList{"1/2 Countdown Pro", "2/2 Film Grade"}));
    EXPECT_EQ(services.store.record(filmGradeID)->version, "2.1.0");
    EXPECT_EQ(services.store.record(kineticTitlesID)->version, "1.0");
    EXPECT_TRUE(view->content().rows.isEmpty());
}

TEST_F(UpdatesViewTest, EachEntryOfAnIDListedTwiceHasARowWhoseUpdateInstallsThatEntry) {
    // GIVEN a catalog listing "dup" twice, as "Alpha Dup" 2.0.0 and "Zulu Dup" 1.0.0, both newer
    // than the recorded version
    services.useCatalogListingOneIDTwice(home.filePath("catalog.json"));
    loadCatalog();
    services.recordInstalled({{"dup", "0.5"}});
    const auto view = makeView();
    // The names on the rows drawn, top to bottom.
    const auto drawnNames = [&] {
        grab(*view, QSize(1100, 700));
        QList<UpdateRowView*> rows = view->findChildren<UpdateRowView*>();
        rows.removeIf([&](const UpdateRowView* row) { return !row->isVisibleTo(view.get()); });
        std::sort(rows.begin(), rows.end(),
                  [&](const UpdateRowView* one, const UpdateRowView* other) {
                      return geometryIn(*view, *one).y() < geometryIn(*view, *other).y();
                  });
        QStringList names;
        for (const UpdateRowView* row : rows) {
            names.append(labelText(*row, "packageName"));
        }
        return names;
    };

    // WHEN the screen refreshes again and again
    for (const QString version : {"1.0", "1.1", "1.2"}) {
        services.recordInstalled({{filmGradeID, version}});
        // THEN each entry has one row, in the list's order
        EXPECT_EQ(drawnNames(), (QStringList{"Alpha Dup", "Zulu Dup"})) << version.toStdString();
    }

    // WHEN "Update" is pressed on the row of "Zulu Dup"
    UpdateRowView* zulu = nullptr;
    for (UpdateRowView* row : view->findChildren<UpdateRowView*>()) {
        zulu = labelText(*row, "packageName") == "Zulu Dup" ? row : zulu;
    }
    ASSERT_NE(zulu, nullptr);
    ASSERT_TRUE(clickNamed(*zulu, "updateButton"));
    ASSERT_TRUE(services.settle());

    // THEN that entry's version is installed, which leaves only "Alpha Dup" behind
    EXPECT_EQ(services.store.record("dup")->version, "1.0.0");
    EXPECT_EQ(drawnNames(), QStringList{"Alpha Dup"});
}

TEST_F(UpdatesViewTest, ReleaseNotesSheetShowsTheNotesAndReturnClosesIt) {
    // GIVEN a pending update of Countdown Pro
    services.recordInstalled({{countdownID, "2.0"}});
    const auto view = makeView();

    // WHEN its "Release Notes" is pressed
    ASSERT_TRUE(clickNamed(*view->row(countdownID), "releaseNotesButton"));
    auto* sheet = view->findChild<ReleaseNotesView*>("releaseNotesSheet");

    // THEN the sheet (see its golden) shows the package's notes as plain text
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitUntil([&] { return sheet->isVisible(); }));
    EXPECT_EQ(sheet->findChild<QLabel*>("releaseNotesText")->textFormat(), Qt::PlainText);
    EXPECT_EQ(view->selectedForReleaseNotes(), builtInPackage(countdownID));

    // WHEN Return is pressed in it
    const QPointer<ReleaseNotesView> open = sheet;
    ASSERT_NE(sheet->focusWidget(), nullptr);
    QTest::keyClick(sheet->focusWidget(), Qt::Key_Return);

    // THEN it closes and nothing is selected any more
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(open.isNull());
    EXPECT_EQ(view->selectedForReleaseNotes(), std::nullopt);
}

TEST_F(UpdatesViewTest, ReleaseNotesSheetOverTheScreenLooksAsChecked) {
    // GIVEN a pending update of Countdown Pro, its thumbnail loaded
    services.recordInstalled({{countdownID, "2.0"}});
    const auto view = makeView();
    ASSERT_TRUE(thumbnailsLoaded(*view));

    // WHEN its "Release Notes" is pressed THEN the sheet lies on the dimmed screen as checked
    ASSERT_TRUE(clickNamed(*view->row(countdownID), "releaseNotesButton"));
    EXPECT_TRUE(matchesGolden(grab(*view, QSize(1100, 700)), goldenPath("release-notes-sheet")));
}

TEST_F(UpdatesViewTest, PendingUpdatesLookAsChecked) {
    // GIVEN two pending updates with bundled thumbnails, one of them under a long name, and a
    // generator and a filter without any, which show their kind's glyph in the middle of the tile
    services.useBuiltInCatalogNaming(home.filePath("catalogs/long-name.json"), countdownID,
                                     longName);
    loadCatalog();
    services.recordInstalled({{countdownID, "2.2.0"},
                              {filmGradeID, "1.9.4"},
                              {gridLayoutID, "1.0"},
                              {lightWrapID, "0.9"}});

    // WHEN the screen is shown at the detail pane's size and the thumbnails have arrived
    const auto view = makeView();
    SaveGrabOnFailure saved(*view, "updates");
    ASSERT_TRUE(thumbnailsLoaded(*view));

    // THEN it looks as checked by eye
    EXPECT_TRUE(matchesGolden(grabWhole(*view, QSize(1100, 700)), goldenPath("updates")));
}

} // namespace
