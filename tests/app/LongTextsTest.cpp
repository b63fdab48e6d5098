#include "support/LongTexts.h"

#include "AppTestSupport.h"
#include "support/CatalogFixtures.h"
#include "ui/installed/InstalledRows.h"

#include <QComboBox>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace marlox::app;
using namespace marlox::testing;

namespace {

// The real application on a remote catalog whose every package has one of the long names and
// whose newest has the long version and a long category, with each plug-in recorded at an older
// version in a folder of a long name, and one named in Hebrew and Arabic among Latin, in a window
// at its smallest size.
class LongTextsTest : public AppTest {
protected:
    void SetUp() override {
        prepareWidgetTests();
        AppPlatform platform = scratchPlatform(updaters.factory());
        platform.configuration.remoteCatalogURL = QUrl::fromLocalFile(writeLongCatalog());
        openWindow(std::move(platform));
        marlox::catalog::InstalledPackageMap records;
        for (const auto& package : app->catalogService().packages()) {
            if (package.type != marlox::catalog::PackageType::template_) {
                // The newest package's record has a long version too, an older one.
                const QString version = package.version == longVersion
                                            ? QString(longVersion).replace(0, 1, "8")
                                            : "0.1";
                records.insert(package.id, testRecord(package.id, version, package.type,
                                                      "/tmp/" + longNameWithoutSpace));
            }
        }
        app->installedStore().setInstalledByID(records);
        window->show();
        settle();
    }

    QString writeLongCatalog() {
        const QString file = home.filePath("catalogs/long-names.json");
        writeChangedBuiltInCatalog(file, [](QJsonObject& package, qsizetype place) {
            package.insert("name", longNames.at(place % longNames.size()));
            if (place == 1) {
                package.insert("name", longRightToLeftName);
            }
            if (place == 0) {
                package.insert("version", longVersion);
                package.insert("category", longNameOfManyWords);
            }
        });
        return file;
    }

    void open(const QString& section) {
        ASSERT_TRUE(clickNamed(*window, "sidebarRow-" + section));
        settle();
    }

    // Every visible widget of the area lies across no more than the area, the part of it inside
    // the window at its smallest size: no text pushed it wider, and no button lies off the window.
    void expectFits(QWidget& area, const std::string& where) {
        SCOPED_TRACE(where);
        EXPECT_EQ(window->size(), QSize(1100, 700));
        const QRect bounds = geometryIn(*window, area).intersected(QRect(0, 0, 1100, 700));
        for (const QWidget* widget : area.findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(window) || widget->isWindow()) {
                continue;
            }
            const QRect shown = geometryIn(*window, *widget);
            EXPECT_TRUE(shown.left() >= bounds.left() && shown.right() <= bounds.right())
                << widget->metaObject()->className() << " " << widget->objectName().toStdString()
                << " spans " << shown.left() << ".." << shown.right() << " in " << bounds.left()
                << ".." << bounds.right();
        }
    }
    QWidget& detailPane() { return *widgetNamed(*window, "detailPane"); }
};

TEST_F(LongTextsTest, EveryScreenStaysInsideItsPaneAtTheSmallestWindow) {
    SaveGrabOnFailure keep(*window, "long-texts");
    open("home");
    expectFits(detailPane(), "Home");

    open("plugins");
    for (const char* mode : {"list", "medium", "small"}) {
        ASSERT_TRUE(clickNamed(*window, QStringLiteral("displayMode:") + mode));
        settle();
        expectFits(detailPane(), std::string("Plugins, ") + mode);
    }
    QWidget* card = widgetNamed(*window, "packageCard:" + countdownID);
    ASSERT_NE(card, nullptr);
    ASSERT_TRUE(clickNamed(*card, "detailsButton"));
    settle();
    QWidget* sheet = widgetNamed(*window, "packageDetailSheet");
    ASSERT_NE(sheet, nullptr);
    expectFits(*sheet, "detail sheet");
    QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
    settle();

    open("updates");
    expectFits(detailPane(), "Updates");

    app->settingsStore().defaults().setValue(marlox::ui::installedText::showAllDetailsKey, true);
    open("installed");
    expectFits(detailPane(), "Installed");

    open("support");
    auto* picker = childNamed<QComboBox>(*window, "targetPicker");
    ASSERT_NE(picker, nullptr);
    const int longEntry = picker->findText(longNameOfManyWords, Qt::MatchStartsWith);
    ASSERT_GT(longEntry, 0);
    picker->setCurrentIndex(longEntry);
    emit picker->activated(longEntry);
    settle();
    expectFits(detailPane(), "Support");
}

} // namespace
