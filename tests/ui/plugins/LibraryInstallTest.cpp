#include "LibraryScreenSupport.h"
#include "catalog/Environment.h"
#include "ui/kit/ScreenParts.h"
#include "ui/plugins/PackageDetailSheet.h"

#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTest>

#include <algorithm>

using namespace marlox::testing;
using namespace marlox::ui;
using marlox::catalog::PackageManifest;

namespace {

const QString letterboxID = "studio.marlox.letterbox";

class LibraryInstallTest : public LibraryScreenTest {
protected:
    static bool detailsEnabled(QWidget* holder) {
        return holder && holder->findChild<AppPillButton*>("detailsButton")->isEnabled();
    }
    // Tall enough for every card to be on show, wherever the sort puts the package.
    void showAllCards() { grab(makeView(), QSize(1100, 1600)); }
};

TEST_F(LibraryInstallTest, InstallOnACardInstallsThePackageAndTheCardFollowsIt) {
    showAllCards();
    ASSERT_EQ(actionLook(card(countdownID)), "Install");
    // Each time the coordinator publishes, the screen has redrawn before anyone else hears it.
    QStringList looks;
    QObject::connect(services.coordinator.get(),
                     &marlox::install::InstallationCoordinator::activePackageIDsChanged, [&] {
                         looks.append(actionLook(card(countdownID)) +
                                      (detailsEnabled(card(countdownID)) ? ", details" : ""));
                     });
    ASSERT_TRUE(clickNamed(*card(countdownID), "actionButton"));
    ASSERT_TRUE(services.settle());
    settle();
    EXPECT_EQ(looks, QStringList({"Installing... (disabled), details", "Installed pill, details"}));
    // THEN the record is stored and the package moved to the installed group, last by name
    const auto record = services.store.record(countdownID);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->version, "2.3.0");
    EXPECT_TRUE(QFile::exists(marlox::catalog::installedRecordsFileURL()));
    EXPECT_EQ(shownIDs().last(), countdownID);
    EXPECT_EQ(services.coordinator->statusMessageByID().value(countdownID), "Installed");
}

// Escape, the layer's geometry and input are the window's sheet tests'.
TEST_F(LibraryInstallTest, ClosingTheDetailSheetClearsTheSelection) {
    // GIVEN a card's details on show
    shownView();
    ASSERT_TRUE(clickNamed(*card(letterboxID), "detailsButton"));
    PackageDetailSheet* sheet = view->detailSheet();
    ASSERT_TRUE(sheet);
    ASSERT_EQ(view->selectedForDetails()->id, letterboxID);

    // WHEN its Close is pressed THEN it goes, and nothing stays selected
    ASSERT_TRUE(clickNamed(*sheet, "closeButton"));
    settle();
    EXPECT_FALSE(view->selectedForDetails());
    EXPECT_FALSE(view->detailSheet());
}

TEST_F(LibraryInstallTest, DetailSheetFollowsAnInstallStartedFromItWithoutClosing) {
    showAllCards();
    ASSERT_TRUE(clickNamed(*card(countdownID), "detailsButton"));
    PackageDetailSheet* sheet = view->detailSheet();
    ASSERT_TRUE(sheet);
    QStringList looks;
    QObject::connect(services.coordinator.get(),
                     &marlox::install::InstallationCoordinator::statusMessageByIDChanged,
                     [&] { looks.append(actionLook(sheet) + ", " + sheet->infoLines().value(2)); });
    ASSERT_TRUE(clickNamed(*sheet, "actionButton"));
    ASSERT_TRUE(services.settle());
    settle();
    EXPECT_EQ(looks, QStringList({"Installing... (disabled), Status: Installing...",
                                  "Installed pill, Status: Installed"}));
    EXPECT_EQ(view->detailSheet(), sheet);
    EXPECT_TRUE(sheet->isVisible());
    // AND "Details" on the card stayed usable all along
    EXPECT_TRUE(detailsEnabled(card(countdownID)));
}

// The catalog comes from a file that the tests rewrite, as a remote catalog would change.
class LibraryCatalogChangeTest : public LibraryScreenTest {
protected:
    // The catalog service reads the file instead of the built-in catalog.
    void SetUp() override {
        LibraryScreenTest::SetUp();
        writeFile(catalogFile, readFile(marlox::catalog::urlForResource("manifest", "json")));
        services.useRemoteCatalog(QUrl::fromLocalFile(catalogFile));
        ASSERT_TRUE(services.loadBuiltInCatalog());
    }
    // Rewrites the catalog without the packages of the category and loads it.
    void reloadWithout(const QString& category) {
        QJsonObject root = QJsonDocument::fromJson(readFile(catalogFile)).object();
        QJsonArray kept;
        for (const QJsonValue& package : root.value("packages").toArray()) {
            if (package.toObject().value("category").toString() != category) {
                kept.append(package);
            }
        }
        root.insert("packages", kept);
        writeFile(catalogFile, QJsonDocument(root).toJson());
        ASSERT_TRUE(services.loadBuiltInCatalog());
        settle();
    }
    QComboBox* picker() { return view->findChild<QComboBox*>("categoryPicker"); }

    const QString catalogFile = home.filePath("remote-catalog.json");
    void choose(const QString& category) {
        const int index = picker()->findText(category);
        ASSERT_GE(index, 0) << category.toStdString();
        picker()->setCurrentIndex(index);
        emit picker()->activated(index);
    }
    QStringList entries() {
        QStringList texts;
        for (int index = 0; index < picker()->count(); ++index) {
            texts.append(picker()->itemText(index));
        }
        return texts;
    }
};

TEST_F(LibraryCatalogChangeTest, CategoryMenuFallsBackToAllWhenAReloadDropsTheCategory) {
    shownView();
    EXPECT_EQ(entries(), QStringList({"All Categories", "Time & Counters", "Text & Layout",
                                      "Color & Grade", "Framing & Matte", "Compositing & Keying"}));
    choose("Framing & Matte");
    EXPECT_EQ(shownIDs().size(), 3);
    // WHEN a reload keeps the category THEN the choice stays
    reloadWithout("Color & Grade");
    EXPECT_EQ(view->filterState().category, "Framing & Matte");
    EXPECT_EQ(picker()->currentText(), "Framing & Matte");
    // WHEN a reload drops it THEN all categories show again
    reloadWithout("Framing & Matte");
    EXPECT_EQ(view->filterState().category, allCategoriesSentinel);
    EXPECT_EQ(picker()->currentText(), "All Categories");
    EXPECT_FALSE(entries().contains("Framing & Matte"));
    EXPECT_EQ(shownIDs().size(), 5);
}

TEST_F(LibraryCatalogChangeTest, TypeFilterThatEmptiesTheCategoryKeepsTheChoiceInTheMenu) {
    shownView();
    choose("Compositing & Keying");
    ASSERT_TRUE(clickNamed(*view, "typeFilter:generators"));
    EXPECT_TRUE(shownIDs().isEmpty());
    EXPECT_EQ(picker()->currentText(), "Compositing & Keying");
    EXPECT_EQ(childNamed<AppCountBadge>(*view, "resultCount")->title(), "0");
}

TEST_F(LibraryCatalogChangeTest, ACategoryShowsWithoutTheCharactersThatTurnItsDirection) {
    // GIVEN the catalog's "Color & Grade" written with a direction override and its end
    QByteArray catalog = readFile(catalogFile);
    catalog.replace("\"Color & Grade\"", "\"Color & Grade\\u202e\\u202c\"");
    writeFile(catalogFile, catalog);
    ASSERT_TRUE(services.loadBuiltInCatalog());
    shownView();

    // THEN the menu names it without them, and choosing it shows its packages
    EXPECT_TRUE(entries().contains("Color & Grade"));
    choose("Color & Grade");
    EXPECT_EQ(shownIDs().size(), 2);
    // AND the detail sheet names it so too
    ASSERT_TRUE(clickNamed(*card(filmGradeID), "detailsButton"));
    ASSERT_TRUE(view->detailSheet());
    EXPECT_EQ(view->detailSheet()->infoLines().value(0), "Category: Color & Grade");
}

// A catalog that lists one id twice, which the catalog format lets load: "Alpha Dup" and
// "Zulu Dup", both Countdown Pro's payload at versions of their own, beside Letterbox.
class LibraryDuplicateIDTest : public LibraryCatalogChangeTest {
protected:
    void SetUp() override {
        LibraryCatalogChangeTest::SetUp();
        services.useCatalogListingOneIDTwice(catalogFile, {letterboxID});
        ASSERT_TRUE(services.loadBuiltInCatalog());
    }
    static QString nameOn(const QWidget& holder) {
        return holder.findChild<FittingLabel*>("packageName")->text();
    }
    // The names on the cards drawn in the grid, in reading order.
    QStringList drawnNames() const {
        QList<PackageCard*> cards = view->cardGrid()->viewport()->findChildren<PackageCard*>(
            QString(), Qt::FindDirectChildrenOnly);
        cards.removeIf([](const PackageCard* card) { return card->isHidden(); });
        std::sort(cards.begin(), cards.end(), [](const PackageCard* one, const PackageCard* other) {
            return std::pair(one->y(), one->x()) < std::pair(other->y(), other->x());
        });
        QStringList names;
        for (PackageCard* card : cards) {
            names.append(nameOn(*card));
        }
        return names;
    }
    PackageCard* drawnCard(const QString& name) const {
        for (PackageCard* card : view->cardGrid()->shownCards()) {
            if (nameOn(*card) == name) {
                return card;
            }
        }
        return nullptr;
    }
};

TEST_F(LibraryDuplicateIDTest, EveryEntryHasOneCardInEachLayoutWhateverIsTyped) {
    shownView();
    // WHEN each layout is chosen and a search typed key by key, down to one matching nothing
    for (const QString mode : {"displayMode:small", "displayMode:list", "displayMode:medium"}) {
        ASSERT_TRUE(clickNamed(*view, mode));
        childNamed<QLineEdit>(*view, "searchField")->clear();
        for (const QString keystroke : {"", "d", "u", "p", "x"}) {
            QTest::keyClicks(childNamed<QLineEdit>(*view, "searchField"), keystroke);
            settle();
            // THEN one card per entry the filter leaves, in its order, as many as the badge says
            QStringList names;
            for (const PackageManifest& package :
                 filteredPackages(services.catalogService->packages(),
                                  services.store.installedByID(), view->filterState())) {
                names.append(package.name);
            }
            const std::string step =
                mode.toStdString() + " after '" + keystroke.toStdString() + "'";
            EXPECT_EQ(drawnNames(), names) << step;
            EXPECT_EQ(childNamed<AppCountBadge>(*view, "resultCount")->title(),
                      QString::number(names.size()))
                << step;
        }
        EXPECT_TRUE(drawnNames().isEmpty()) << mode.toStdString();
    }
}

TEST_F(LibraryDuplicateIDTest, ACardsButtonsActOnThePackageThatCardShows) {
    grab(makeView(), QSize(1100, 1600));
    // WHEN Install is pressed on the later of the two
    ASSERT_TRUE(clickNamed(*drawnCard("Zulu Dup"), "actionButton"));
    ASSERT_TRUE(services.settle());
    // THEN the coordinator installed that entry's version
    ASSERT_TRUE(services.store.record("dup"));
    EXPECT_EQ(services.store.record("dup")->version, "1.0.0");

    // WHEN its Details is pressed and the screen refreshes under the sheet
    ASSERT_TRUE(clickNamed(*drawnCard("Zulu Dup"), "detailsButton"));
    services.recordInstalled({{countdownID, "1.0"}});
    settle();
    // THEN the sheet and the selection stay with that entry
    ASSERT_TRUE(view->detailSheet());
    EXPECT_EQ(view->selectedForDetails()->name, "Zulu Dup");
    EXPECT_EQ(nameOn(*view->detailSheet()), "Zulu Dup");
    EXPECT_EQ(actionLook(view->detailSheet()), "Installed pill");
}

} // namespace
