#include "ui/home/HomeView.h"

#include "catalog/Environment.h"
#include "platform/Bundle.h"
#include "support/CatalogFixtures.h"
#include "support/LongTexts.h"
#include "support/ScreenFixture.h"
#include "ui/kit/ScreenParts.h"

#include <QLabel>
#include <QTest>

using namespace marlox::testing;
using marlox::catalog::encodeCatalogManifest;
using marlox::catalog::PackageManifest;
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

    // Loads the built-in catalog with Chroma Key's release notes replaced by `notes`, as written
    // in the catalog's JSON.
    void loadWithChromaKeyNotes(const QByteArray& notes) {
        const QString catalogFile = home.filePath("catalogs/remote.json");
        QByteArray catalog = readFile(marlox::catalog::urlForResource("manifest", "json"));
        catalog.replace("Cleaner edges on motion blur and a stronger spill control.", notes);
        writeFile(catalogFile, catalog);
        services.useRemoteCatalog(QUrl::fromLocalFile(catalogFile));
        ASSERT_TRUE(services.loadBuiltInCatalog());
    }
    static marlox::ui::FittingLabel* chromaKeyNotes(QWidget& view) {
        QWidget* row = widgetNamed(view, "whatsNewRow:studio.marlox.chroma-key");
        return row ? row->findChild<marlox::ui::FittingLabel*>("whatsNewNotes") : nullptr;
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

TEST_F(HomeViewTest, GuideStepTextsStartAtOnePlaceWhateverTheStepsDigits) {
    auto view = makeView();
    grab(*view, {1100, 700});
    // THEN each row's title and detail start where the other rows' do
    QList<int> starts;
    for (const marlox::ui::GuideStep& step : marlox::ui::homeGuideSteps()) {
        QWidget* row = widgetNamed(*view, "guideStep" + step.step);
        ASSERT_NE(row, nullptr);
        for (const QLabel* label : row->findChildren<QLabel*>()) {
            if (label->text() == step.title || label->text() == step.detail) {
                starts.append(geometryIn(*view, *label).left());
            }
        }
    }
    ASSERT_EQ(starts.size(), 6);
    EXPECT_EQ(starts, QList<int>(6, starts.first()));
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

TEST_F(HomeViewTest, AHostileNameShowsWithoutItsDirectionOverrideAndAMegabyteSummaryInItsLines) {
    // GIVEN a catalog of one plug-in whose name turns its end around and whose summary is 1 MB
    PackageManifest hostile = testPackage("com.example.evil");
    hostile.name = QString::fromUtf16(u"evil\u202Etxt.exe");
    hostile.summary = QString("A long description of the package. ").repeated(30'000);
    const QString catalogFile = home.filePath("catalogs/remote.json");
    writeFile(catalogFile, encodeCatalogManifest({"1", "now", {hostile}}));
    services.useRemoteCatalog(QUrl::fromLocalFile(catalogFile));
    ASSERT_TRUE(awaitFuture(services.catalogService->reload()));

    // WHEN Home shows it as the featured pack
    auto view = makeView();
    SaveGrabOnFailure keep(*view, "hostile");
    grab(*view, {1100, 700});

    // THEN the name reads as written, with no character left that turns its direction
    EXPECT_EQ(labelText(*view, "featuredName"), "eviltxt.exe");
    // AND the summary shows the three lines it has room for, the last cut with an ellipsis
    const auto* summary = view->findChild<marlox::ui::FittingLabel*>("featuredSummary");
    ASSERT_NE(summary, nullptr);
    const QStringList lines = summary->shownLines(summary->width());
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines.first().startsWith("A long description"));
    EXPECT_TRUE(lines.last().endsWith(QChar(0x2026)));
}

TEST_F(HomeViewTest, InstallingRedrawsTheTilesAtOnce) {
    auto view = makeView();
    grab(*view, {1100, 700});
    EXPECT_EQ(widgetNamed(*view, "installedProgressRing")->accessibleName(), "0%");
    ASSERT_TRUE(services.installAndSettle(builtInPackage(countdownID)));
    settle();
    EXPECT_EQ(widgetNamed(*view, "installedProgressRing")->accessibleName(), "10%");
}

// The System Status rows spanning their card are the golden's.
TEST_F(HomeViewTest, NotesThatRunOverTwoLinesShowBothWhole) {
    // GIVEN notes that run over two lines in a What's New row of the window's detail pane
    loadWithChromaKeyNotes(
        "Cleaner edges on motion blur, a stronger spill control and a light wrap.");
    auto view = makeView();
    SaveGrabOnFailure saved(*view, "home");
    grab(*view, {827, 1400});

    // THEN the notes show two lines, both whole
    auto* notes = chromaKeyNotes(*view);
    ASSERT_NE(notes, nullptr);
    QWidget* row = widgetNamed(*view, "whatsNewRow:studio.marlox.chroma-key");
    EXPECT_EQ(notes->shownLines(notes->width()).size(), 2);
    EXPECT_GE(notes->height(), 2 * QFontMetricsF(notes->font()).lineSpacing());
    EXPECT_LE(geometryIn(*row, *notes).bottom(), row->height() - 14);
}

TEST_F(HomeViewTest, NotesWithALineBreakShowTheirSecondLineFromItsFirstWord) {
    // GIVEN notes of two lines, the second longer than a line of the row
    loadWithChromaKeyNotes("Adds a despill preview.\\nFixes edge chatter on 4K footage and speeds "
                           "up the matte by 30 percent on long clips of every frame rate.");
    auto view = makeView();
    SaveGrabOnFailure saved(*view, "home-line-break");
    grab(*view, {827, 1400});

    // THEN the second line starts where the text's does, and only its end gives way
    auto* notes = chromaKeyNotes(*view);
    ASSERT_NE(notes, nullptr);
    const QStringList lines = notes->shownLines(notes->width());
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "Adds a despill preview.");
    EXPECT_TRUE(lines[1].startsWith("Fixes edge chatter on 4K footage")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QChar(0x2026))) << lines[1].toStdString();
}

TEST_F(HomeViewTest, LooksAsDesignedWithTwoPackagesInstalled) {
    // The featured pack, Chroma Key, under a long name.
    services.useBuiltInCatalogNaming(home.filePath("catalogs/long-name.json"), chromaKeyID,
                                     longName);
    loadCatalog();
    ASSERT_TRUE(services.installAndSettle(builtInPackage(countdownID)));
    ASSERT_TRUE(services.installAndSettle(builtInPackage(filmGradeID)));
    auto view = makeView();
    showWhole(*view, {1100, 700});
    ASSERT_TRUE(thumbnailsLoaded(*view));
    settle();
    EXPECT_TRUE(matchesGolden(picture(*view), goldenPath("home")));
}

} // namespace
