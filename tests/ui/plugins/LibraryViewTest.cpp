#include "LibraryScreenSupport.h"
#include "support/SavedSettings.h"

#include <QLineEdit>
#include <QTest>

using namespace marlox::testing;
using namespace marlox::ui;
using marlox::catalog::LibraryDisplayMode;

namespace {

class LibraryViewTest : public LibraryScreenTest {
protected:
    void type(const QString& text) {
        QTest::keyClicks(childNamed<QLineEdit>(*view, "searchField"), text);
    }
};

TEST_F(LibraryViewTest, DisplayModeIsSavedAndSurvivesARestart) {
    shownView();
    ASSERT_TRUE(clickNamed(*view, "displayMode:list"));
    EXPECT_EQ(services.settings.libraryDisplayMode(), LibraryDisplayMode::list);
    // WHEN the application starts again on the same settings file, once it is saved
    view.reset();
    const auto defaults = savedSettings(home.filePath("settings.conf"));
    marlox::catalog::AppSettingsStore settings(*defaults, services.loginItem, "/nowhere/App.app");
    makeView(&settings);
    shownView();
    // THEN the list is still the layout
    EXPECT_EQ(settings.libraryDisplayMode(), LibraryDisplayMode::list);
    ASSERT_FALSE(view->cardGrid()->shownCards().isEmpty());
    EXPECT_TRUE(qobject_cast<PackageListCard*>(view->cardGrid()->shownCards().first()));
}

TEST_F(LibraryViewTest, SwitchingTheLayoutKeepsTheCardsTheirOrderAndTheChoices) {
    shownView();
    ASSERT_TRUE(clickNamed(*view, "typeFilter:filters"));
    ASSERT_TRUE(clickNamed(*view, "libraryFilter:notInstalled"));
    type("a");
    const QStringList before = shownIDs();
    for (const QString mode : {"displayMode:list", "displayMode:medium", "displayMode:small"}) {
        ASSERT_TRUE(clickNamed(*view, mode));
        EXPECT_EQ(shownIDs(), before) << mode.toStdString();
        EXPECT_EQ(view->filterState().query, "a");
        EXPECT_EQ(view->filterState().typeFilter, PluginTypeFilter::filters);
        EXPECT_EQ(view->filterState().filter, LibraryFilter::notInstalled);
        const auto cards = view->cardGrid()->shownCards();
        ASSERT_FALSE(cards.isEmpty());
        EXPECT_EQ(cards.first()->packageID(), before.first());
    }
}

} // namespace
