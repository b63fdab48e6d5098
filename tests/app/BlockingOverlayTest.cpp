#include "app/BlockingOverlay.h"

#include "AppTestSupport.h"
#include "app/FolderAccessOverlay.h"
#include "app/HostApplicationOverlay.h"
#include "catalog/InstallLocations.h"
#include "support/ReadOnlyFolder.h"
#include "support/ScreenServices.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace marlox::app;
using namespace marlox::testing;

namespace {

const QString hostMessage =
    "Please close host apps before install/update/remove. Running: Final Cut Pro";

// The real services of the main window in a scratch home, and a window with an Install button
// standing for a package card and both overlays over it.
class BlockingOverlayTest : public WidgetTest {
protected:
    BlockingOverlayTest() {
        window.resize(1100, 700);
        install->setObjectName("cardInstallButton");
        install->setGeometry(40, 40, 120, 32);
        QObject::connect(install, &QPushButton::clicked,
                         [this] { coordinator().install(builtInPackage(packageOnCard)); });
        // Made in the other order than they stack: the levels decide.
        folderOverlay = new FolderAccessOverlay(coordinator(), services.installAccess,
                                                services.templatesAccess, &window);
        hostOverlay = new HostApplicationOverlay(coordinator(), applicationIcons, &window);
        window.show();
        settle();
    }

    // The Motion Templates folder cannot be made while the Movies folder is read-only.
    void lockMoviesFolder() {
        ASSERT_TRUE(QDir(templatesFolder).removeRecursively());
        lockedMovies = std::make_unique<ReadOnlyFolder>(home.filePath("home/Movies"));
        ASSERT_TRUE(lockedMovies->holds());
    }
    // Parks Kinetic Titles, whose templates folder cannot be made.
    void parkTemplatesPackage() {
        lockMoviesFolder();
        packageOnCard = kineticTitlesID;
        ASSERT_TRUE(clickNamed(window, "cardInstallButton"));
        ASSERT_TRUE(folderOverlay->isPresented());
    }
    // The host card comes up too: the coordinator finds Final Cut Pro running.
    void showHostCardBeneath() {
        {
            RunningHost host("Final Cut Pro");
            ASSERT_FALSE(coordinator().verifyHostApplicationsNotRunning());
        }
        ASSERT_TRUE(overlaysSettled(window));
        ASSERT_TRUE(hostOverlay->isPresented());
    }
    // Refuses an install because Final Cut Pro runs, and lets the host quit again.
    void refuseWhileFinalCutProRuns() {
        RunningHost host("Final Cut Pro");
        ASSERT_TRUE(host.isRunning());
        ASSERT_TRUE(clickNamed(window, "cardInstallButton"));
        ASSERT_TRUE(hostOverlay->isPresented());
    }

    // The services may remake it (ScreenServices::useInstallTools).
    marlox::install::InstallationCoordinator& coordinator() { return *services.coordinator; }
    bool waitUntilIdle() { return services.settle(); }
    bool isRecorded(const QString& packageID) const {
        return services.store.record(packageID).has_value();
    }

    QString installFolder = marlox::catalog::installFolderPath();
    QString templatesFolder = marlox::install::motionTemplatesFolderPath();
    ScreenServices services{home};
    FakeApplicationIcons applicationIcons;
    QWidget window;
    QPushButton* install = new QPushButton("Install", &window);
    HostApplicationOverlay* hostOverlay = nullptr;
    FolderAccessOverlay* folderOverlay = nullptr;
    QString packageOnCard = countdownID;
    std::unique_ptr<ReadOnlyFolder> lockedMovies;
};

TEST_F(BlockingOverlayTest, RunningFinalCutProShowsTheHostCardAndInstallWorksOnceItQuits) {
    SaveGrabOnFailure keep(window, "window");
    // GIVEN a real process named Final Cut Pro
    auto host = std::make_unique<RunningHost>("Final Cut Pro");
    ASSERT_TRUE(host->isRunning());
    const QStringList before = treeSnapshot(home.filePath("home/Applications"));

    // WHEN Install is pressed
    ASSERT_TRUE(clickNamed(window, "cardInstallButton"));

    // THEN the host card lists it, with nothing installed
    ASSERT_TRUE(overlaysSettled(window));
    EXPECT_TRUE(hostOverlay->isVisible());
    EXPECT_EQ(hostOverlay->shownHostNames(), QStringList{"Final Cut Pro"});
    EXPECT_EQ(treeSnapshot(home.filePath("home/Applications")), before);
    EXPECT_FALSE(isRecorded(countdownID));

    // WHEN the host quits, THEN its row stays: nobody watches the hosts while the card is up
    host.reset();
    settle();
    EXPECT_EQ(hostOverlay->shownHostNames(), QStringList{"Final Cut Pro"});

    // WHEN OK is pressed, THEN the error and the names are gone with the card
    ASSERT_TRUE(clickNamed(*hostOverlay, "hostApplicationOKButton"));
    EXPECT_FALSE(coordinator().presentedErrorMessage());
    EXPECT_TRUE(coordinator().blockingHostNames().isEmpty());
    ASSERT_TRUE(overlaysSettled(window));
    EXPECT_FALSE(hostOverlay->isVisible());

    // WHEN Install is pressed again, THEN it installs
    ASSERT_TRUE(clickNamed(window, "cardInstallButton"));
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_TRUE(isRecorded(countdownID));
    EXPECT_FALSE(hostOverlay->isPresented());
}

TEST_F(BlockingOverlayTest, KeyboardStaysInTheCardAndGoesBackWhereItWasWhenTheCardGoes) {
    // GIVEN Install holding the keyboard, then the host card up after Final Cut Pro quit
    install->setFocus();
    refuseWhileFinalCutProRuns();
    ASSERT_TRUE(overlaysSettled(window));

    // WHEN Tab is pressed twice and Space is sent to Install
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(install, Qt::Key_Space);
    settle();

    // THEN the card's button keeps the keyboard, and no install started
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "hostApplicationOKButton");
    EXPECT_TRUE(coordinator().activePackageIDs().isEmpty());

    // WHEN Return is pressed, THEN the card answers and Install has the keyboard again
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !hostOverlay->isPresented(); }));
    EXPECT_FALSE(coordinator().presentedErrorMessage());
    EXPECT_EQ(QApplication::focusWidget(), install);
}

TEST_F(BlockingOverlayTest, ParkedTemplatesInstallGoesOnByItselfOnceAccessIsAllowed) {
    SaveGrabOnFailure keep(window, "window");
    // GIVEN Kinetic Titles parked: its templates folder cannot be made
    parkTemplatesPackage();
    ASSERT_TRUE(overlaysSettled(window));

    // THEN it waits, as the folder card shows (see its golden)
    EXPECT_EQ(coordinator().statusMessageByID().value(kineticTitlesID), "Waiting for Access");

    // WHEN Allow Access is pressed while the folder still cannot be made
    ASSERT_TRUE(clickNamed(window, "motionTemplatesAllowAccessButton"));

    // THEN the error goes to the alert, and the card and the parked install stay
    ASSERT_TRUE(coordinator().presentedErrorMessage());
    EXPECT_TRUE(coordinator().presentedErrorMessage()->contains(templatesFolder));
    EXPECT_FALSE(isShown(window, "folderAccessError"));
    EXPECT_TRUE(folderOverlay->isPresented());
    EXPECT_TRUE(coordinator().pendingPermissionPackage());

    // WHEN the folder can be made again and Allow Access is pressed
    coordinator().dismissPresentedError();
    lockedMovies.reset();
    ASSERT_TRUE(clickNamed(window, "motionTemplatesAllowAccessButton"));

    // THEN the card goes and the install completes by itself
    EXPECT_FALSE(folderOverlay->isPresented());
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_TRUE(isRecorded(kineticTitlesID));
    EXPECT_TRUE(QFileInfo(templatesFolder + "/Titles/Marlox Studio/KineticTitles").isDir());
    EXPECT_EQ(coordinator().statusMessageByID().value(kineticTitlesID), "Installed");
}

TEST_F(BlockingOverlayTest, PlugInWithoutTemplatesShowsOnlyTheInstallFolderRow) {
    // GIVEN the install folder cannot be made under a read-only Applications folder
    ASSERT_TRUE(QDir(installFolder).removeRecursively());
    ReadOnlyFolder applications(home.filePath("home/Applications"));
    ASSERT_TRUE(applications.holds());

    // WHEN Countdown Pro is to be installed
    ASSERT_TRUE(clickNamed(window, "cardInstallButton"));
    settle();

    // THEN the card asks for the install folder alone
    EXPECT_TRUE(folderOverlay->isPresented());
    EXPECT_TRUE(isShown(window, "installFolderAllowAccessButton"));
    EXPECT_FALSE(isShown(window, "motionTemplatesRow"));
}

TEST_F(BlockingOverlayTest, CardLooksAtTheFoldersAgainWhenItAppears) {
    // GIVEN Kinetic Titles parked while its templates folder could not be made
    lockMoviesFolder();
    coordinator().install(builtInPackage(kineticTitlesID));
    ASSERT_TRUE(folderOverlay->isPresented());

    // WHEN the folder can be made before the card has finished appearing
    lockedMovies.reset();
    settle();

    // THEN the card's own look finds nothing missing: the package is no longer parked
    EXPECT_FALSE(coordinator().pendingPermissionPackage());
    EXPECT_FALSE(folderOverlay->isPresented());
    EXPECT_TRUE(QFileInfo(templatesFolder).isDir());
}

TEST_F(BlockingOverlayTest, NotNowDropsTheParkedInstallAndTheNextInstallAsksAgain) {
    // GIVEN Kinetic Titles parked
    parkTemplatesPackage();
    settle();

    // WHEN Not Now is pressed
    ASSERT_TRUE(clickNamed(window, "notNowButton"));

    // THEN nothing is parked any more and the card goes
    EXPECT_FALSE(coordinator().pendingPermissionPackage());
    EXPECT_FALSE(coordinator().pendingPermissionNeedsTemplatesAccess());
    EXPECT_FALSE(folderOverlay->isPresented());
    ASSERT_TRUE(overlaysSettled(window));

    // WHEN Install is pressed again, THEN the card asks again
    ASSERT_TRUE(clickNamed(window, "cardInstallButton"));
    EXPECT_TRUE(folderOverlay->isPresented());
    EXPECT_EQ(coordinator().pendingPermissionPackage()->id, kineticTitlesID);
}

TEST_F(BlockingOverlayTest, AllowAccessThatFailsUnderTheHostCardShowsItsErrorInTheFolderCard) {
    SaveGrabOnFailure keep(window, "window");
    // GIVEN Kinetic Titles parked, and then the host card up beneath because Final Cut Pro runs
    parkTemplatesPackage();
    showHostCardBeneath();

    // WHEN Allow Access fails
    ASSERT_TRUE(clickNamed(window, "motionTemplatesAllowAccessButton"));

    // THEN the folder card shows the error, the host card keeps its own message, and the
    // install stays parked
    ASSERT_TRUE(folderOverlay->cardErrorMessage());
    EXPECT_TRUE(folderOverlay->cardErrorMessage()->contains(templatesFolder));
    EXPECT_EQ(labelText(window, "folderAccessError"), *folderOverlay->cardErrorMessage());
    EXPECT_EQ(coordinator().presentedErrorMessage(), hostMessage);
    EXPECT_TRUE(folderOverlay->isPresented());
    EXPECT_TRUE(hostOverlay->isPresented());
    EXPECT_EQ(coordinator().pendingPermissionPackage()->id, kineticTitlesID);
}

TEST_F(BlockingOverlayTest, FolderCardLiesAboveTheHostCardAndTakesTheInput) {
    // GIVEN Kinetic Titles parked, and then the host card up too because Final Cut Pro runs
    parkTemplatesPackage();
    showHostCardBeneath();
    QWidget* hostOK = widgetNamed(*hostOverlay, "hostApplicationOKButton");
    ASSERT_NE(hostOK, nullptr);

    // WHEN the host card's OK is clicked where it lies, or sent a click and a key
    const QPoint onOK = hostOK->mapTo(&window, hostOK->rect().center());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onOK);
    QTest::mouseClick(hostOK, Qt::LeftButton);
    QTest::keyClick(hostOK, Qt::Key_Return);
    settle();

    // THEN the folder card took everything: the host error stays
    EXPECT_TRUE(folderOverlay->isAncestorOf(window.childAt(onOK)) ||
                window.childAt(onOK) == folderOverlay);
    EXPECT_EQ(coordinator().presentedErrorMessage(), hostMessage);
    EXPECT_TRUE(folderOverlay->isAncestorOf(QApplication::focusWidget()));

    // WHEN Not Now clears the folder card, THEN the host card's OK works again
    ASSERT_TRUE(clickNamed(window, "notNowButton"));
    ASSERT_TRUE(clickNamed(*hostOverlay, "hostApplicationOKButton"));
    EXPECT_FALSE(coordinator().presentedErrorMessage());
}

} // namespace
