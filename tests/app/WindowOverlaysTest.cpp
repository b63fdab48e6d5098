#include "AppTestSupport.h"
#include "app/FolderAccessOverlay.h"
#include "app/HostApplicationOverlay.h"
#include "install/MotionTemplatesAccessService.h"
#include "support/ReadOnlyFolder.h"
#include "support/WidgetTesting.h"

#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace marlox::app;
using namespace marlox::testing;

namespace {

// The real application in a scratch home with the built-in catalog, one window of 1100 by 700
// points, and an icon for Final Cut Pro.
class WindowOverlaysTest : public AppTest {
protected:
    void SetUp() override {
        prepareWidgetTests();
        AppPlatform platform = scratchPlatform(updaters.factory());
        auto icons = std::make_unique<FakeApplicationIcons>();
        icons->icons.insert("com.apple.FinalCut", QIcon(finalCutIcon()));
        platform.applicationIcons = std::move(icons);
        openWindow(std::move(platform));
        hostOverlay = window->findChild<HostApplicationOverlay*>();
        folderOverlay = window->findChild<FolderAccessOverlay*>();
        ASSERT_NE(hostOverlay, nullptr);
        ASSERT_NE(folderOverlay, nullptr);
    }

    static QPixmap finalCutIcon() {
        QPixmap icon(72, 72);
        icon.fill(QColor(40, 40, 46));
        QPainter painter(&icon);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(150, 90, 230));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(14, 14, 44, 44));
        return icon;
    }
    // The card as drawn in the window, without what shows beyond its edge.
    QImage cardPicture(const BlockingOverlay& overlay) {
        const QImage drawn = grab(*window, QSize(1100, 700));
        const QRect card = geometryIn(*window, *overlay.card());
        QImage picture(card.size(), QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        // A point inside the card's edge, where its outline has nothing of the window in it.
        shape.addRoundedRect(QRectF(1, 1, card.width() - 2, card.height() - 2), 23, 23);
        painter.setClipPath(shape);
        painter.drawImage(QPoint(0, 0), drawn, card);
        return picture;
    }

    HostApplicationOverlay* hostOverlay = nullptr;
    FolderAccessOverlay* folderOverlay = nullptr;
};

TEST_F(WindowOverlaysTest, ClickOnACardsInstallThroughTheBackdropStartsNothing) {
    SaveGrabOnFailure keep(*window, "window");
    // GIVEN Countdown Pro's card on Plugins, and the host card up after Final Cut Pro has quit,
    // so that an Install reaching the card would start
    QWidget* card = pluginsCard(countdownID);
    ASSERT_NE(card, nullptr);
    QWidget* install = widgetNamed(*card, "actionButton");
    ASSERT_NE(install, nullptr);
    {
        RunningHost host("Final Cut Pro");
        ASSERT_TRUE(clickNamed(*card, "actionButton"));
    }
    ASSERT_TRUE(hostOverlay->isPresented());
    ASSERT_TRUE(overlaysSettled(*window));

    // WHEN the window is clicked where Install lies, and Install is sent a click and keys
    const QPoint onInstall = install->mapTo(window, install->rect().center());
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, onInstall);
    QTest::mouseClick(install, Qt::LeftButton);
    QTest::keyClick(install, Qt::Key_Space);
    QTest::keyClick(install, Qt::Key_Return);
    settle();

    // THEN the backdrop took them all: nothing installs, and the card keeps the keyboard
    EXPECT_TRUE(hostOverlay->isAncestorOf(window->childAt(onInstall)) ||
                window->childAt(onInstall) == hostOverlay);
    EXPECT_TRUE(app->installationCoordinator().activePackageIDs().isEmpty());
    EXPECT_FALSE(app->installedStore().record(countdownID).has_value());
    EXPECT_TRUE(hostOverlay->isAncestorOf(QApplication::focusWidget()));

    // WHEN the card's OK is pressed, THEN Install on the card works again
    ASSERT_TRUE(clickNamed(*hostOverlay, "hostApplicationOKButton"));
    ASSERT_TRUE(overlaysSettled(*window));
    ASSERT_TRUE(clickNamed(*card, "actionButton"));
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_TRUE(app->installedStore().record(countdownID).has_value());
}

TEST_F(WindowOverlaysTest, BackdropCoversTheSplitViewButLeavesTheToolbar) {
    // GIVEN the host card up
    {
        RunningHost host("Final Cut Pro");
        app->installationCoordinator().install(builtInPackage(countdownID));
    }
    ASSERT_TRUE(overlaysSettled(*window));

    // THEN it covers the sidebar and the detail pane, and the toolbar's button still answers
    EXPECT_EQ(geometryIn(*window, *hostOverlay), window->centralWidget()->geometry());
    ASSERT_TRUE(clickNamed(*window, "sidebarToggle"));
    EXPECT_TRUE(app->sidebarUIState().isCollapsed());
}

TEST_F(WindowOverlaysTest, HostCardLooksAsChecked) {
    // GIVEN both hosts refusing an install, Final Cut Pro with its icon
    {
        RunningHost motion("Motion");
        RunningHost finalCut("Final Cut Pro");
        app->installationCoordinator().install(builtInPackage(countdownID));
    }
    ASSERT_TRUE(overlaysSettled(*window));
    ASSERT_EQ(hostOverlay->shownHostNames(), (QStringList{"Final Cut Pro", "Apple Motion"}));

    // WHEN the window is drawn THEN the card looks as checked
    EXPECT_TRUE(matchesGolden(cardPicture(*hostOverlay), goldenPath("host-applications-card")));
}

TEST_F(WindowOverlaysTest, FolderAccessCardLooksAsChecked) {
    // GIVEN Kinetic Titles parked: its Motion Templates folder cannot be made
    const QString templatesFolder = marlox::install::motionTemplatesFolderPath();
    ASSERT_TRUE(QDir(templatesFolder).removeRecursively());
    ReadOnlyFolder movies(home.filePath("home/Movies"));
    ASSERT_TRUE(movies.holds());
    app->installationCoordinator().install(builtInPackage(kineticTitlesID));
    ASSERT_TRUE(overlaysSettled(*window));
    ASSERT_TRUE(folderOverlay->isPresented());

    // WHEN the window is drawn THEN the card looks as checked
    EXPECT_TRUE(matchesGolden(cardPicture(*folderOverlay), goldenPath("folder-access-card")));
}

} // namespace
