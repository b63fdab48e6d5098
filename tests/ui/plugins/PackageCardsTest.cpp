#include "ui/plugins/PackageCards.h"

#include "LibraryTestSupport.h"
#include "support/ThumbnailTestSupport.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"
#include "ui/kit/StudioIcon.h"
#include "ui/plugins/PackageCardGrid.h"
#include "ui/plugins/PackageDetailSheet.h"
#include "ui/shared/PackageImageView.h"

#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <memory>

using namespace marlox::testing;
using namespace marlox::ui;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;

namespace {

const QString longText =
    "An effect whose name and summary run on far beyond what one card can hold, so that the "
    "card has to cut them short somewhere sensible; and then the text goes on a while longer, "
    "past the end of a second line on even the widest list card, before it stops.";

class PackageCardsTest : public ThumbnailTest {
protected:
    // A list card, a small tile and a medium tile, each in a holder of its own (a tile draws
    // through an effect, which needs a parent to draw into).
    QList<PackageCard*> makeCards() {
        holders.clear();
        QList<PackageCard*> made = {new PackageListCard(*thumbnails),
                                    new PackageIconCard(*thumbnails, true),
                                    new PackageIconCard(*thumbnails, false)};
        for (PackageCard* card : made) {
            holders.push_back(std::make_unique<Backdrop>(card, AppPalette::canvas()));
        }
        return made;
    }
    // Shows the card's holder with the card at that width.
    void show(PackageCard* card, int width) {
        card->setFixedWidth(width);
        grab(*card->parentWidget());
    }
    static QStringList shownLinesOf(QWidget* card, const QString& objectName) {
        const auto* label = card->findChild<FittingLabel*>(objectName);
        return label->shownLines(label->width());
    }
    static PackageCardValues valuesOf(const PackageManifest& package,
                                      LibraryCardState state = LibraryCardState::notInstalled,
                                      bool isInstalling = false) {
        return {package, package.summary.value_or(""), state, isInstalling};
    }

    std::unique_ptr<ThumbnailCache> thumbnails = makeCache();
    std::vector<std::unique_ptr<Backdrop>> holders;
};

TEST_F(PackageCardsTest, ActionIsTheInstalledPillOrAButtonTitledByStateAndBusyWhileInstalling) {
    struct Case {
        LibraryCardState state;
        bool isInstalling;
        QString look;
    };
    const QList<Case> cases = {
        {LibraryCardState::notInstalled, false, "Install"},
        {LibraryCardState::update, false, "Update"},
        {LibraryCardState::notInstalled, true, "Installing... (disabled)"},
        {LibraryCardState::update, true, "Installing... (disabled)"},
        {LibraryCardState::installed, false, "Installed pill"},
        {LibraryCardState::installed, true, "Installed pill"},
    };
    const PackageManifest package = libraryPackage("p", "Glow");
    for (const Case& testCase : cases) {
        auto sheet = std::make_unique<PackageDetailSheet>(*thumbnails);
        sheet->setValues(valuesOf(package, testCase.state, testCase.isInstalling), std::nullopt);
        QList<QWidget*> holders = {sheet.get()};
        for (PackageCard* card : makeCards()) {
            card->setValues(valuesOf(package, testCase.state, testCase.isInstalling));
            holders.append(card);
        }
        for (QWidget* holder : holders) {
            EXPECT_EQ(actionLook(holder), testCase.look) << holder->metaObject()->className();
            const auto* details = holder->findChild<AppPillButton*>("detailsButton");
            EXPECT_TRUE(!details || details->isEnabled());
        }
    }
}

// Packages without a thumbnail show their kind's tile in the Plugins goldens.
TEST_F(PackageCardsTest, AThumbnailThatDoesNotLoadGivesWayToTheKindsTile) {
    PackageManifest package = libraryPackage("p", "Glow", PackageType::filter);
    package.thumbnailURL = serve("/missing.png", "", 404).toString();
    PackageImageView view(*thumbnails, PackageImageView::ScalingMode::fill);
    view.setPackage(package);
    grab(view, QSize(240, 135));
    thumbnails->waitForIdle();
    settle();
    ASSERT_NE(view.thumbnailView(), nullptr);
    const PackageFallbackTile* tile = view.shownFallbackTile();
    ASSERT_TRUE(tile);
    EXPECT_EQ(tile->glyph(), StudioGlyph::library);
    EXPECT_EQ(tile->name(), "Glow");
}

// The icon view writes its tint into the file without the colour's opacity: the glyph is white,
// as on the Updates tile. The goldens pass a grey glyph's thin strokes as antialiasing.
TEST_F(PackageCardsTest, TheKindsTileDrawsItsGlyphWhite) {
    PackageImageView view(*thumbnails, PackageImageView::ScalingMode::fill);
    view.setPackage(libraryPackage("p", "Glow", PackageType::filter));
    const QImage drawn = grab(view, QSize(240, 135));
    QList<StudioIcon*> shown = view.findChildren<StudioIcon*>();
    shown.removeIf([&](const StudioIcon* icon) { return !icon->isVisibleTo(&view); });
    ASSERT_EQ(shown.size(), 1);
    // THEN the brightest of its strokes is white
    int brightest = 0;
    const QRect area = geometryIn(view, *shown.first());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = drawn.pixelColor(x, y);
            brightest = std::max(brightest, std::min({pixel.red(), pixel.green(), pixel.blue()}));
        }
    }
    EXPECT_EQ(brightest, 255);
}

TEST_F(PackageCardsTest, NamesTakeOneLineSummariesTwoAndTilesReserveTheSummaryHeight) {
    const PackageManifest wordy =
        libraryPackage("p", longText, PackageType::filter, "Time & Counters", "1.0", longText);
    const PackageManifest terse =
        libraryPackage("q", "Glow", PackageType::filter, "Time & Counters", "1.0", QString());
    const QList<PackageCard*> made = makeCards();
    for (qsizetype index = 0; index < made.size(); ++index) {
        PackageCard* card = made[index];
        QList<int> buttonRows;
        for (const PackageManifest& package : {wordy, terse}) {
            card->setValues(valuesOf(package));
            show(card, index == 0 ? 700 : 260);
            const QStringList name = shownLinesOf(card, "packageName");
            const QStringList summary = shownLinesOf(card, "packageSummary");
            ASSERT_FALSE(name.isEmpty());
            EXPECT_EQ(name.size(), 1);
            EXPECT_LE(summary.size(), 2);
            if (package.id == "p") {
                EXPECT_TRUE(name.first().endsWith(QChar(0x2026)));
                EXPECT_TRUE(summary.last().endsWith(QChar(0x2026)));
            }
            buttonRows.append(geometryIn(*card, *card->findChild<QWidget*>("detailsButton")).y());
        }
        if (index > 0) {
            EXPECT_EQ(buttonRows[0], buttonRows[1]) << "tile " << index;
            const QWidget* summaryArea =
                card->findChild<FittingLabel*>("packageSummary")->parentWidget();
            EXPECT_EQ(summaryArea->height(), index == 1 ? 30 : 36);
        }
    }
}

TEST_F(PackageCardsTest, ListCardLetterboxesTheThumbnailAndTilesCropItTo16By9) {
    // GIVEN a wide red thumbnail
    const QString path = home.filePath("wide.png");
    writeFile(path, encodedImage(QSize(400, 100), Qt::red));
    PackageManifest package = libraryPackage("p", "Glow");
    package.thumbnailURL = QUrl::fromLocalFile(path).toString();
    const QRgb backdrop = AppPalette::panelHighlight().rgb();
    for (PackageCard* card : makeCards()) {
        card->setValues(valuesOf(package));
        show(card, qobject_cast<PackageListCard*>(card) ? 700 : 300);
        thumbnails->waitForIdle();
        settle();
        auto* image = card->findChild<PackageImageView*>("packageImage");
        const QImage drawn = picture(*card->parentWidget());
        const QRect area = geometryIn(*card->parentWidget(), *image);
        const QPoint topMiddle(area.center().x(), area.top() + 4);
        if (qobject_cast<PackageListCard*>(card)) {
            EXPECT_EQ(image->size(), QSize(132, 88));
            EXPECT_TRUE(pixelIs(drawn, topMiddle.x(), topMiddle.y(), backdrop));
        } else {
            EXPECT_EQ(image->height(), qRound(image->width() * 9.0 / 16.0));
            EXPECT_TRUE(pixelIs(drawn, topMiddle.x(), topMiddle.y(), qRgb(255, 0, 0)));
        }
        EXPECT_TRUE(pixelIs(drawn, area.center().x(), area.center().y(), qRgb(255, 0, 0)));
    }
}

TEST_F(PackageCardsTest, SheetShowsBulletsAndStatusOnlyWhenThereAreAny) {
    struct Case {
        std::optional<QStringList> bullets;
        std::optional<QString> status;
        QStringList bulletLines;
        QStringList infoLines;
    };
    const QStringList categoryAndType = {"Category: Time & Counters", "Type: Filter"};
    const QList<Case> cases = {
        {std::nullopt, std::nullopt, {}, categoryAndType},
        {QStringList(), std::nullopt, {}, categoryAndType},
        {QStringList({"Fast", "Small"}),
         "Failed",
         {"• Fast", "• Small"},
         categoryAndType + QStringList("Status: Failed")},
    };
    PackageDetailSheet sheet(*thumbnails);
    for (const Case& testCase : cases) {
        PackageManifest package = libraryPackage("p", "Glow", PackageType::filter);
        package.detailBullets = testCase.bullets;
        sheet.setValues(valuesOf(package), testCase.status);
        EXPECT_EQ(sheet.bulletLines(), testCase.bulletLines);
        EXPECT_EQ(sheet.infoLines(), testCase.infoLines);
        EXPECT_EQ(sheet.findChild<QWidget*>("detailBullets")->isHidden(),
                  testCase.bulletLines.isEmpty());
    }
    // AND the panel is never smaller than 680 by 520, the outer padding coming on top
    grab(sheet, QSize(100, 100));
    EXPECT_GE(sheet.width(), 680 + 2 * 14);
    EXPECT_GE(sheet.height(), 520 + 2 * 14);
    // AND at that size, scrolled to its end, the last line shows whole
    auto* body = sheet.findChild<QScrollArea*>("detailScroll");
    body->verticalScrollBar()->setValue(body->verticalScrollBar()->maximum());
    settle();
    const QRect lastLine = geometryIn(*body->viewport(), *widgetNamed(sheet, "statusLine"));
    EXPECT_TRUE(body->viewport()->rect().contains(lastLine)) << lastLine.bottom();
}

TEST_F(PackageCardsTest, SheetTitleWrapsOnlyWhenItDoesNotFitBesideTheVersion) {
    PackageDetailSheet sheet(*thumbnails);
    for (const QString& name : QStringList{"Broken Pack", "Aac Broken Pack", "Aaa Wide Title Name",
                                           "Timecode Burn-In", longText}) {
        SCOPED_TRACE(name.toStdString());
        PackageManifest package = libraryPackage("p", name);
        package.version = "1.4.2";
        sheet.setValues(valuesOf(package), std::nullopt);
        grab(sheet, QSize(800, 640));
        const auto* title = sheet.findChild<FittingLabel*>("packageName");
        const QWidget* version = widgetNamed(sheet, "packageVersion");
        const QRect row = geometryIn(sheet, *title->parentWidget());
        // THEN a name that fits beside the version keeps one line, the version right after it;
        // a longer one wraps in all the room the version leaves
        const bool fits =
            QFontMetricsF(title->font()).horizontalAdvance(name) + 8 + version->width() <=
            row.width();
        EXPECT_EQ(title->shownLines(title->width()).size() == 1, fits);
        if (fits) {
            EXPECT_EQ(title->shownLines(title->width()).value(0), name);
            // (a few pixels more where the last letter reaches past its advance)
            EXPECT_LE(geometryIn(sheet, *version).left() - geometryIn(sheet, *title).left(),
                      QFontMetricsF(title->font()).horizontalAdvance(name) + 8 + 3);
        } else {
            EXPECT_GE(geometryIn(sheet, *version).right(), row.right() - 3);
        }
    }
}

TEST_F(PackageCardsTest, GridMakesCardsOnlyForTheRowsInViewOfALargeCatalog) {
    QList<PackageManifest> packages;
    for (int index = 0; index < 10000; ++index) {
        packages.append(
            libraryPackage(QString::number(index), "Package " + QString::number(index)));
    }
    PackageCardGrid grid(*thumbnails);
    grab(grid, QSize(1060, 520));
    for (const auto mode : marlox::catalog::allLibraryDisplayModes) {
        grid.setContent(mode, packages, [](const PackageManifest& package) {
            return PackageCardValues{package, {}, LibraryCardState::notInstalled, false};
        });
        for (const int position :
             {0, grid.verticalScrollBar()->maximum() / 2, grid.verticalScrollBar()->maximum()}) {
            grid.verticalScrollBar()->setValue(position);
            settle();
            const auto [first, end] = grid.geometry().visibleItems(position, 520);
            const QList<PackageCard*> shown = grid.shownCards();
            ASSERT_EQ(shown.size(), end - first);
            EXPECT_EQ(shown.first()->packageID(), QString::number(first));
            EXPECT_LE(shown.first()->y(), 0);
            EXPECT_GT(shown.first()->geometry().bottom(), 0);
            EXPECT_EQ(shown.last()->packageID(), QString::number(end - 1));
        }
        EXPECT_EQ(grid.geometry().contentHeight(),
                  grid.verticalScrollBar()->maximum() + grid.viewport()->height());
    }
    // THEN cards were made for a few screens at most, never one per package
    EXPECT_LT(grid.madeCardCount(), 60);
}

} // namespace
