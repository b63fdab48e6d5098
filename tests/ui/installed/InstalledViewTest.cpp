#include "ui/installed/InstalledView.h"

#include "catalog/CatalogManifest.h"
#include "catalog/InstallLocations.h"
#include "platform/UserDefaults.h"
#include "support/FileSupport.h"
#include "support/LongTexts.h"
#include "support/ScreenFixture.h"
#include "ui/kit/ScreenParts.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

using namespace marlox::testing;
using marlox::ui::FittingLabel;
using marlox::ui::InstalledView;

namespace {

class InstalledViewTest : public ScreenTest {
protected:
    std::unique_ptr<InstalledView> makeView() {
        auto view = std::make_unique<InstalledView>(*services.catalogService, services.store,
                                                    *services.coordinator, services.settings,
                                                    services.workspace, thumbnails);
        grab(*view, {1100, 700});
        return view;
    }
    void setShowAllDetails(bool on) {
        services.defaults.setValue(marlox::ui::installedText::showAllDetailsKey, on);
    }
    static QWidget* card(const QWidget& view, const QString& id) {
        return view.findChild<QWidget*>("installedCard:" + id);
    }
};

TEST_F(InstalledViewTest, RepairReinstallsAMissingFolderAndItsButtonsWaitForTheOperation) {
    // GIVEN an installed package whose folder has gone
    ASSERT_TRUE(services.installAndSettle(builtInPackage(countdownID)));
    const QString folder = services.store.record(countdownID)->installPath;
    ASSERT_TRUE(QDir(folder).removeRecursively());
    auto view = makeView();
    // WHEN Repair is pressed
    ASSERT_TRUE(clickNamed(*view, "repairButton:" + countdownID));
    // THEN while it runs Repair and Remove are disabled, the other buttons not
    EXPECT_TRUE(services.coordinator->activePackageIDs().contains(countdownID));
    EXPECT_FALSE(childNamed<QPushButton>(*view, "repairButton:" + countdownID)->isEnabled());
    EXPECT_FALSE(childNamed<QPushButton>(*view, "removeButton:" + countdownID)->isEnabled());
    EXPECT_TRUE(childNamed<QPushButton>(*view, "detailsButton:" + countdownID)->isEnabled());
    EXPECT_TRUE(childNamed<QPushButton>(*view, "folderButton:" + countdownID)->isEnabled());
    // AND once it has ended the folder is back and the buttons are enabled again
    ASSERT_TRUE(services.settle());
    settle();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(childNamed<QPushButton>(*view, "repairButton:" + countdownID)->isEnabled());
}

TEST_F(InstalledViewTest, ARecordOfAnIDListedTwiceIsShownAndRepairedAsTheEntryOfItsVersion) {
    // GIVEN a catalog listing "dup" twice, "Alpha Dup" 2.0.0 first, and "Zulu Dup" 1.0.0 installed
    services.useCatalogListingOneIDTwice(home.filePath("remote-catalog.json"));
    ASSERT_TRUE(services.loadBuiltInCatalog());
    const QList<marlox::catalog::PackageManifest> packages = services.catalogService->packages();
    ASSERT_EQ(packages.size(), 2);
    ASSERT_EQ(packages.last().name, "Zulu Dup");
    ASSERT_TRUE(services.installAndSettle(packages.last()));
    auto view = makeView();

    // THEN its card names the entry of its version
    EXPECT_EQ(labelText(*view, "installedTitle:dup"), "Zulu Dup");
    // WHEN Repair is pressed THEN that entry is installed again, not the first of its id
    ASSERT_TRUE(clickNamed(*view, "repairButton:dup"));
    ASSERT_TRUE(services.settle());
    EXPECT_EQ(services.store.record("dup")->version, "1.0.0");
}

TEST_F(InstalledViewTest, RemoveDeletesTheFilesAndTheRecordAndTheCardGoes) {
    ASSERT_TRUE(services.installAndSettle(builtInPackage(filmGradeID)));
    const QString folder = services.store.record(filmGradeID)->installPath;
    auto view = makeView();
    ASSERT_TRUE(clickNamed(*view, "removeButton:" + filmGradeID));
    EXPECT_FALSE(childNamed<QPushButton>(*view, "removeButton:" + filmGradeID)->isEnabled());
    ASSERT_TRUE(services.settle());
    settle();
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_FALSE(services.store.record(filmGradeID));
    EXPECT_EQ(view->findChild<QWidget*>("installedCard:" + filmGradeID), nullptr);
    EXPECT_TRUE(isShown(*view, "installedEmptyState"));
}

TEST_F(InstalledViewTest, DetailsToggleAndTheShowAllDetailsDefaultRedrawAtOnce) {
    ASSERT_TRUE(services.installAndSettle(builtInPackage(countdownID)));
    ASSERT_TRUE(services.installAndSettle(builtInPackage(filmGradeID)));
    auto view = makeView();
    // WHEN one card is expanded THEN only its details show
    ASSERT_TRUE(clickNamed(*view, "detailsButton:" + countdownID));
    settle();
    EXPECT_TRUE(isShown(*view, "installedDetails:" + countdownID));
    EXPECT_FALSE(isShown(*view, "installedDetails:" + filmGradeID));
    EXPECT_EQ(childNamed<QPushButton>(*view, "detailsButton:" + countdownID)->toolTip(),
              "Hide details");
    // WHEN the header switch writes the default THEN every card expands, its button disabled
    setShowAllDetails(true);
    settle();
    EXPECT_TRUE(isShown(*view, "installedDetails:" + countdownID) &&
                isShown(*view, "installedDetails:" + filmGradeID));
    EXPECT_FALSE(childNamed<QPushButton>(*view, "detailsButton:" + filmGradeID)->isEnabled());
    EXPECT_EQ(childNamed<QPushButton>(*view, "detailsButton:" + filmGradeID)->property("symbol"),
              "info.circle.fill");
    // WHEN it is switched off THEN the user's own expansion is back
    setShowAllDetails(false);
    settle();
    EXPECT_TRUE(isShown(*view, "installedDetails:" + countdownID));
    EXPECT_FALSE(isShown(*view, "installedDetails:" + filmGradeID));
}

TEST_F(InstalledViewTest, CardsARefreshLeavesUntouchedStayTheSameWidgets) {
    // GIVEN two records on show
    services.recordInstalled({{countdownID, "1.0.0"}, {filmGradeID, "1.0.0"}});
    auto view = makeView();
    const QPointer<QWidget> filmGrade = card(*view, filmGradeID);
    const QPointer<QWidget> filmGradeTitle =
        view->findChild<QWidget*>("installedTitle:" + filmGradeID);
    ASSERT_TRUE(filmGrade && filmGradeTitle);
    // WHEN an operation runs on the other record, and its end saves the records
    ASSERT_TRUE(clickNamed(*view, "repairButton:" + countdownID));
    settle();
    EXPECT_FALSE(childNamed<QPushButton>(*view, "repairButton:" + countdownID)->isEnabled());
    ASSERT_TRUE(services.settle());
    settle();
    // THEN the untouched card and its parts are the very widgets shown before
    EXPECT_EQ(card(*view, filmGradeID), filmGrade.data());
    EXPECT_EQ(view->findChild<QWidget*>("installedTitle:" + filmGradeID), filmGradeTitle.data());
    // AND a card the user expands opens in place
    ASSERT_TRUE(clickNamed(*view, "detailsButton:" + filmGradeID));
    settle();
    EXPECT_EQ(card(*view, filmGradeID), filmGrade.data());
    EXPECT_TRUE(isShown(*view, "installedDetails:" + filmGradeID));
}

TEST_F(InstalledViewTest, AChangedRecordShowsItsNewVersionInItsCardAndAnAddedOneTakesItsPlaceByID) {
    services.recordInstalled({{countdownID, "1.0.0"}, {filmGradeID, "1.0.0"}});
    auto view = makeView();
    const QPointer<QWidget> countdown = card(*view, countdownID);
    // WHEN one change of the records raises a version and adds a record whose id sorts between
    services.recordInstalled({{countdownID, "2.5.0"}, {edgeMatteID, "1.0.0"}});
    settle();
    // THEN the card of the changed record shows the new version
    EXPECT_EQ(card(*view, countdownID), countdown.data());
    EXPECT_EQ(labelText(*view, "installedVersion:" + countdownID), "v2.5.0");
    // AND the cards read by id from the top
    const auto top = [&](const QString& id) {
        return card(*view, id)->mapTo(view.get(), QPoint()).y();
    };
    EXPECT_LT(top(countdownID), top(edgeMatteID));
    EXPECT_LT(top(edgeMatteID), top(filmGradeID));
}

TEST_F(InstalledViewTest, ACardShowsALongNameAndVersionWholeOnAsManyLinesAsTheyNeed) {
    // GIVEN a record of a package of a 115-character name at a long version, on show
    services.useBuiltInCatalogNaming(home.filePath("catalogs/long-name.json"), countdownID,
                                     longNameOfManyWords);
    loadCatalog();
    services.recordInstalled({{countdownID, longVersion}});
    auto view = makeView();
    auto* title = childNamed<FittingLabel>(*view, "installedTitle:" + countdownID);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), longNameOfManyWords);

    // THEN the title and the version each show the whole of their text, with no ellipsis, in a
    // label as tall as its lines
    const auto withoutSpaces = [](QString text) { return text.remove(u' '); };
    for (const QString& name :
         {"installedTitle:" + countdownID, "installedVersion:" + countdownID}) {
        SCOPED_TRACE(name.toStdString());
        auto* label = childNamed<FittingLabel>(*view, name);
        ASSERT_NE(label, nullptr);
        const QStringList lines = label->shownLines(label->contentsRect().width());
        EXPECT_EQ(withoutSpaces(lines.join(QString())), withoutSpaces(label->text()));
        EXPECT_GE(label->height(), label->heightForWidth(label->width()));
    }
    // AND the name takes more than one line, all of them inside its card
    EXPECT_GT(title->shownLines(title->contentsRect().width()).size(), 1);
    EXPECT_GT(title->height(), 1.5 * QFontMetricsF(title->font()).lineSpacing());
    QWidget* shown = card(*view, countdownID);
    EXPECT_TRUE(shown->rect().contains(geometryIn(*shown, *title)));
}

TEST_F(InstalledViewTest, ACardShowsANameWrittenFromRightToLeftOnEveryLineItTakes) {
    for (const QString& name :
         {QStringLiteral("שלום Glow مرحبا"), QStringLiteral("مرحبا بالعالم")}) {
        SCOPED_TRACE(name.toStdString());
        // GIVEN a record of a package of a Hebrew, Arabic or mixed name, on show: its title is
        // given the width it asks for
        services.useBuiltInCatalogNaming(home.filePath("catalogs/rtl.json"), countdownID, name);
        loadCatalog();
        services.recordInstalled({{countdownID, "2.4.0"}});
        auto view = makeView();
        auto* title = childNamed<FittingLabel>(*view, "installedTitle:" + countdownID);
        ASSERT_NE(title, nullptr);

        // THEN the title shows the whole name on one line, as the card has room for it, in a
        // label as tall as the lines it shows
        const QStringList lines = title->shownLines(title->contentsRect().width());
        EXPECT_EQ(lines, QStringList{name});
        const qreal lineSpacing = QFontMetricsF(title->font()).lineSpacing();
        EXPECT_GE(title->contentsRect().height(),
                  static_cast<int>(std::ceil(lineSpacing * static_cast<qreal>(lines.size()))));
    }
}

TEST_F(InstalledViewTest, ACardWhosePackageLeavesTheCatalogShowsTheRecordIDWithoutRepair) {
    // GIVEN a catalog of two packages, both recorded
    const QString file = home.filePath("catalog.json");
    const auto writeCatalogOf = [&](const QStringList& ids) {
        QList<marlox::catalog::PackageManifest> packages = builtInPackages();
        packages.removeIf([&](const auto& package) { return !ids.contains(package.id); });
        writeFile(file, marlox::catalog::encodeCatalogManifest({"1", "now", packages}));
    };
    writeCatalogOf({countdownID, filmGradeID});
    services.useRemoteCatalog(QUrl::fromLocalFile(file));
    ASSERT_TRUE(services.loadBuiltInCatalog());
    services.recordInstalled({{countdownID, "1.0.0"}, {filmGradeID, "1.0.0"}});
    auto view = makeView();
    ASSERT_TRUE(thumbnailsLoaded(*view));
    const QPointer<QWidget> countdown = card(*view, countdownID);
    // WHEN the catalog no longer lists one of them
    writeCatalogOf({filmGradeID});
    ASSERT_TRUE(services.loadBuiltInCatalog());
    settle();
    // THEN its card takes the record's id as title and its tile the fallback, without Repair
    EXPECT_EQ(card(*view, countdownID), countdown.data());
    EXPECT_EQ(labelText(*view, "installedTitle:" + countdownID), countdownID);
    EXPECT_EQ(view->findChild<QWidget*>("installedThumbnail:" + countdownID)
                  ->findChild<marlox::ui::CachedThumbnailView*>(),
              nullptr);
    EXPECT_FALSE(isShown(*view, "repairButton:" + countdownID));
    EXPECT_TRUE(isShown(*view, "repairButton:" + filmGradeID));
}

TEST_F(InstalledViewTest, ACardsTileIsMadeAgainOnlyWhenWhatItShowsChanges) {
    // GIVEN a recorded package on show, from a catalog file
    const QString file = home.filePath("catalog.json");
    QList<marlox::catalog::PackageManifest> packages = builtInPackages();
    auto& countdown = *std::find_if(packages.begin(), packages.end(),
                                    [](const auto& package) { return package.id == countdownID; });
    const auto publish = [&] {
        writeFile(file, marlox::catalog::encodeCatalogManifest({"1", "now", packages}));
        ASSERT_TRUE(services.loadBuiltInCatalog());
        settle();
    };
    services.useRemoteCatalog(QUrl::fromLocalFile(file));
    publish();
    services.recordInstalled({{countdownID, "1.0.0"}});
    auto view = makeView();
    const auto tile = [&] {
        return view->findChild<QWidget*>("installedThumbnail:" + countdownID);
    };
    const QPointer<QWidget> shown = tile();
    ASSERT_TRUE(shown);

    // WHEN the catalog changes the entry's version, notes and download address
    countdown.version = "9.0.0";
    countdown.releaseNotes = "Counts down in frames too.";
    countdown.downloadURL = "https://downloads.example.com/countdown-9.zip";
    publish();
    // THEN the card keeps its tile
    EXPECT_EQ(tile(), shown.data());

    // WHEN it changes the entry's picture THEN the tile is made again
    countdown.thumbnailName = "film-grade";
    publish();
    EXPECT_TRUE(shown.isNull());
    EXPECT_NE(tile(), nullptr);
}

TEST_F(InstalledViewTest, FolderButtonRevealsThePluginFolder) {
    ASSERT_TRUE(services.installAndSettle(builtInPackage(countdownID)));
    auto view = makeView();
    ASSERT_TRUE(clickNamed(*view, "folderButton:" + countdownID));
    EXPECT_EQ(services.workspace.revealedItems,
              QStringList({services.store.record(countdownID)->installPath}));
}

TEST_F(InstalledViewTest, SharedFolderIsListedOffTheMainThreadWhenShownAndWhenRecordsChange) {
    // GIVEN a plug-in in the shared folder without a record
    const QString shared = marlox::catalog::installFolderPath();
    QDir().mkpath(shared + '/' + countdownID);
    InstalledView view(*services.catalogService, services.store, *services.coordinator,
                       services.settings, services.workspace, thumbnails);

    // WHEN the screen is shown THEN it is found once the listing comes back to the main thread
    view.show();
    EXPECT_FALSE(isShown(view, "otherChannelInstalls"));
    ASSERT_TRUE(waitUntil([&] { return isShown(view, "foundInstall:" + countdownID); }));

    // WHEN another appears and the screen redraws for the details switch THEN it is not looked for
    QDir().mkpath(shared + '/' + filmGradeID);
    setShowAllDetails(true);
    settle();
    EXPECT_EQ(view.otherChannelInstalls().size(), 1);

    // WHEN the records change THEN the folder is listed again
    services.recordInstalled({{edgeMatteID, "1.0.0"}});
    EXPECT_TRUE(waitUntil([&] { return isShown(view, "foundInstall:" + filmGradeID); }));
}

TEST_F(InstalledViewTest, AdoptAllRecordsTheFoundInstallsAndTheSectionGoes) {
    QDir().mkpath(marlox::catalog::installFolderPath() + '/' + countdownID);
    auto view = makeView();
    ASSERT_TRUE(waitUntil([&] { return isShown(*view, "foundInstall:" + countdownID); }));
    ASSERT_TRUE(clickNamed(*view, "adoptAllButton"));
    settle();
    EXPECT_EQ(services.store.record(countdownID)->installPath,
              marlox::catalog::installFolderPath() + '/' + countdownID);
    EXPECT_EQ(view->findChild<QWidget*>("otherChannelInstalls"), nullptr);
    EXPECT_TRUE(isShown(*view, "installedCard:" + countdownID));
}

TEST_F(InstalledViewTest, LooksAsDesignedWithTwoPackagesInstalled) {
    // Countdown Pro under a long name.
    services.useBuiltInCatalogNaming(home.filePath("catalogs/long-name.json"), countdownID,
                                     longName);
    loadCatalog();
    ASSERT_TRUE(services.installAndSettle(builtInPackage(countdownID)));
    ASSERT_TRUE(services.installAndSettle(builtInPackage(filmGradeID)));
    auto view = makeView();
    ASSERT_TRUE(thumbnailsLoaded(*view));
    EXPECT_TRUE(matchesGolden(grabWhole(*view, {1100, 700}), goldenPath("installed")));
}

} // namespace
