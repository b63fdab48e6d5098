#include "LibraryScreenSupport.h"
#include "ui/LibraryControls.h"

#include <QLineEdit>
#include <QTest>

using namespace marlox::testing;
using namespace marlox::ui;
using marlox::catalog::InstalledPackage;
using marlox::catalog::LibraryDisplayMode;
using marlox::catalog::PackageType;

namespace {

class LibraryViewTest : public LibraryScreenTest {
protected:
    QString badge() { return childNamed<AppCountBadge>(*view, "resultCount")->title(); }
    void type(const QString& text) {
        QTest::keyClicks(childNamed<QLineEdit>(*view, "searchField"), text);
    }
    // What the screen should show for its current choices, asked of the pure filter.
    QStringList expectedIDs() const {
        return idsOf(filteredPackages(services.catalogService->packages(),
                                      services.store.installedByID(), view->filterState()));
    }
    void record(const QString& id, const QString& version) {
        auto records = services.store.installedByID();
        records.insert(id, InstalledPackage{id, version, {}, PackageType::generator, {}, {}});
        services.store.setInstalledByID(records);
    }
};

TEST_F(LibraryViewTest, BadgeCountsWhatTheFiltersAndSearchLeaveAndTemplatesNeverShow) {
    // GIVEN one package installed and one with an update
    record(countdownID, "2.3");
    record(timecodeID, "1.4.1");
    shownView();
    EXPECT_EQ(badge(), "10");
    EXPECT_EQ(shownIDs(), expectedIDs());
    EXPECT_EQ(shownIDs().first(), timecodeID);
    EXPECT_EQ(shownIDs().last(), countdownID);
    const QList<std::pair<QString, QString>> steps = {
        {"typeFilter:filters", ""}, {"", "  MATTE "},         {"libraryFilter:notInstalled", ""},
        {"typeFilter:all", ""},     {"", "zzz-nothing-here"}, {"typeFilter:generators", ""},
    };
    for (const auto& [control, text] : steps) {
        if (!control.isEmpty()) {
            ASSERT_TRUE(clickNamed(*view, control));
        } else {
            childNamed<QLineEdit>(*view, "searchField")->clear();
            type(text);
        }
        EXPECT_EQ(shownIDs(), expectedIDs()) << control.toStdString() << text.toStdString();
        EXPECT_EQ(badge(), QString::number(shownIDs().size()));
    }
    // THEN with nothing left the area is blank and every control still answers
    EXPECT_EQ(badge(), "0");
    EXPECT_TRUE(view->cardGrid()->shownCards().isEmpty());
    EXPECT_TRUE(clickNamed(*view, "typeFilter:all"));
    EXPECT_TRUE(clickNamed(*view, "displayMode:list"));
}

TEST_F(LibraryViewTest, DisplayModeIsSavedNamedInItsHelpAndSurvivesARestart) {
    shownView();
    auto* picker = childNamed<DisplayModePicker>(*view, "displayModePicker");
    const QStringList help = {"List View", "Small Icons", "Medium Icons"};
    for (LibraryDisplayMode mode : marlox::catalog::allLibraryDisplayModes) {
        EXPECT_EQ(picker->button(mode)->toolTip(), help[static_cast<int>(mode)]);
    }
    ASSERT_TRUE(clickNamed(*view, "displayMode:list"));
    EXPECT_EQ(services.settings.libraryDisplayMode(), LibraryDisplayMode::list);
    int checked = 0;
    for (LibraryDisplayMode mode : marlox::catalog::allLibraryDisplayModes) {
        checked += picker->button(mode)->isChecked() ? 1 : 0;
    }
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(picker->button(LibraryDisplayMode::list)->isChecked());
    // WHEN the application starts again on the same settings file
    view.reset();
    marlox::platform::UserDefaults defaults(home.filePath("settings.conf"));
    marlox::catalog::AppSettingsStore settings(defaults, services.loginItem, "/nowhere/App.app");
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
    type("a");
    const QStringList before = shownIDs();
    for (const QString mode : {"displayMode:list", "displayMode:medium", "displayMode:small"}) {
        ASSERT_TRUE(clickNamed(*view, mode));
        EXPECT_EQ(shownIDs(), before) << mode.toStdString();
        EXPECT_EQ(view->filterState().query, "a");
        EXPECT_EQ(view->filterState().typeFilter, PluginTypeFilter::filters);
        const auto cards = view->cardGrid()->shownCards();
        ASSERT_FALSE(cards.isEmpty());
        EXPECT_EQ(cards.first()->packageID(), before.first());
    }
}

} // namespace
