#include "catalog/AppSettingsStore.h"
#include "install/InstallTargetAccessService.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/UserDefaults.h"
#include "support/InstallTestSupport.h"
#include "support/ReadOnlyFolder.h"
#include "support/SavedSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

using namespace marlox::install;
using namespace marlox::testing;
using marlox::catalog::AppSettingsStore;
using marlox::platform::UserDefaults;
namespace settingsKeys = marlox::catalog::settingsKeys;

namespace {

class FolderAccessTest : public ScratchHomeTest {
protected:
    QString homeFolder = home.path() + "/home";
    QString installFolder = homeFolder + "/Applications/Marlox Studio Plugins";
    QString legacyFolder = homeFolder + "/Marlox Studio Plugins";
    QString templatesFolder = homeFolder + "/Movies/Motion Templates.localized";
    UserDefaults defaults{home.filePath("settings.conf")};
    NoLoginItem loginItem;
    AppSettingsStore settings{defaults, loginItem, home.filePath("Elsewhere/Marlox Studio.app")};
    RecordingWorkspace workspace;
};

TEST_F(FolderAccessTest, FreshHomeGetsBothFoldersCreatedAndGrantedAndRemembersTheirPaths) {
    // GIVEN a home without Applications and Movies, and stale bookmarks
    defaults.setValue(settingsKeys::installTargetBookmarkData, QByteArray("stale"));
    defaults.setValue(settingsKeys::motionTemplatesBookmarkData, QByteArray("stale"));
    ASSERT_FALSE(QFileInfo::exists(homeFolder + "/Applications"));
    ASSERT_FALSE(QFileInfo::exists(homeFolder + "/Movies"));

    // WHEN the services start
    InstallTargetAccessService installAccess(settings, workspace);
    MotionTemplatesAccessService templatesAccess(settings, workspace);

    // THEN both folders are made, granted, and remembered without bookmarks
    EXPECT_TRUE(QFileInfo(installFolder).isDir());
    EXPECT_TRUE(QFileInfo(templatesFolder).isDir());
    EXPECT_EQ(installAccess.resolvedInstallTargetPath(), installFolder);
    EXPECT_EQ(templatesAccess.resolvedTemplatesRootPath(), templatesFolder);
    EXPECT_EQ(installAccess.accessState(), FolderAccessState::granted);
    EXPECT_EQ(templatesAccess.accessState(), FolderAccessState::granted);
    const auto reread = marlox::testing::savedSettings(home.filePath("settings.conf"));
    EXPECT_EQ(reread->string(settingsKeys::lastResolvedInstallPath), installFolder);
    EXPECT_EQ(reread->string(settingsKeys::lastResolvedMotionTemplatesPath), templatesFolder);
    EXPECT_FALSE(reread->contains(settingsKeys::installTargetBookmarkData));
    EXPECT_FALSE(reread->contains(settingsKeys::motionTemplatesBookmarkData));
    EXPECT_TRUE(workspace.openedFolders.isEmpty());

    // WHEN the remembered path differs and the folder is resolved again, THEN it is brought up to
    // date
    settings.setLastResolvedInstallPath("/old/place");
    EXPECT_TRUE(installAccess.resolveInstallTarget().hasValue());
    EXPECT_EQ(settings.lastResolvedInstallPath(), installFolder);
}

TEST_F(FolderAccessTest, LegacyPackagesMoveUnlessTheInstallFolderHoldsThemAndTheEmptiedFolderGoes) {
    // GIVEN a legacy folder holding A, B and hidden entries, and the install folder holding B
    writeFile(legacyFolder + "/A/A.app/Contents/Info.plist", "legacy A");
    writeFile(legacyFolder + "/B/B.app/Contents/Info.plist", "legacy B");
    writeFile(legacyFolder + "/.DS_Store", "hidden");
    writeFile(legacyFolder + "/.hiddenPackage/payload", "hidden");
    writeFile(installFolder + "/B/B.app/Contents/Info.plist", "current B");

    // WHEN the service starts, THEN A moves and both B stay
    InstallTargetAccessService installAccess(settings, workspace);
    EXPECT_EQ(installAccess.accessState(), FolderAccessState::granted);
    EXPECT_EQ(readFile(installFolder + "/A/A.app/Contents/Info.plist"), "legacy A");
    EXPECT_EQ(readFile(installFolder + "/B/B.app/Contents/Info.plist"), "current B");
    EXPECT_EQ(QDir(legacyFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"B"});
    EXPECT_EQ(readFile(legacyFolder + "/B/B.app/Contents/Info.plist"), "legacy B");

    // WHEN the install folder's B is gone and the folder resolved again, THEN B moves too, and
    // the legacy folder, left with hidden entries only, is removed
    ASSERT_TRUE(QDir(installFolder + "/B").removeRecursively());
    ASSERT_TRUE(installAccess.resolveInstallTarget().hasValue());
    EXPECT_EQ(readFile(installFolder + "/B/B.app/Contents/Info.plist"), "legacy B");
    EXPECT_FALSE(QFileInfo::exists(legacyFolder));
    EXPECT_FALSE(QFileInfo::exists(installFolder + "/.DS_Store"));
}

TEST_F(FolderAccessTest, LegacyPathHoldingAFileIsLeftAloneAndALinkUnlinkedNotFollowed) {
    writeFile(legacyFolder, "not a folder");
    InstallTargetAccessService installAccess(settings, workspace);
    EXPECT_EQ(installAccess.accessState(), FolderAccessState::granted);
    EXPECT_EQ(readFile(legacyFolder), "not a folder");

    ASSERT_TRUE(QFile::remove(legacyFolder));
    writeFile(homeFolder + "/Shared/.settings", "kept");
    QFile::link(homeFolder + "/Shared", legacyFolder);
    ASSERT_TRUE(installAccess.resolveInstallTarget().hasValue());
    EXPECT_FALSE(QFileInfo(legacyFolder).isSymLink());
    EXPECT_EQ(readFile(homeFolder + "/Shared/.settings"), "kept");
}

TEST_F(FolderAccessTest, LegacyEntryThatCannotBeMovedFailsWithTheRelocationMessage) {
    InstallTargetAccessService installAccess(settings, workspace);
    writeFile(legacyFolder + "/A/payload", "a");
    settings.setLastResolvedInstallPath("/before");
    {
        ReadOnlyFolder readOnly(legacyFolder);
        ASSERT_TRUE(readOnly.holds());
        const auto resolved = installAccess.resolveInstallTarget();
        ASSERT_FALSE(resolved.hasValue());
        EXPECT_EQ(resolved.error().kind, InstallTargetAccessError::Kind::migrationFailed);
        EXPECT_EQ(
            resolved.error().description(),
            "Could not relocate the install folder into Applications. Resolve the folder at " +
                legacyFolder + " and try again.");
        installAccess.refreshAccessState();
        EXPECT_EQ(installAccess.accessState(), FolderAccessState::needsAccess);
        EXPECT_EQ(installAccess.resolvedInstallTargetPath(), installFolder);
        EXPECT_TRUE(installAccess.revealInstallFolder().has_value());
        EXPECT_TRUE(workspace.openedFolders.isEmpty());
    }
    EXPECT_EQ(settings.lastResolvedInstallPath(), "/before");
    EXPECT_EQ(readFile(legacyFolder + "/A/payload"), "a");

    installAccess.refreshAccessState();
    EXPECT_EQ(installAccess.accessState(), FolderAccessState::granted);
    EXPECT_FALSE(QFileInfo::exists(legacyFolder));
}

TEST_F(FolderAccessTest, FileWhereTheTemplatesFolderMustBeGivesThePrepareMessageAndNeedsAccess) {
    // GIVEN a published templates folder, then a file in its place
    MotionTemplatesAccessService templatesAccess(settings, workspace);
    templatesAccess.publishResolution("/published/earlier");
    settings.setLastResolvedMotionTemplatesPath("/before");
    QSignalSpy stateChanged(&templatesAccess, &MotionTemplatesAccessService::accessStateChanged);
    ASSERT_TRUE(QDir(templatesFolder).removeRecursively());
    writeFile(templatesFolder, "in the way");

    // WHEN access is refreshed, THEN it is needed and the published path stays
    templatesAccess.refreshAccessState();
    EXPECT_EQ(templatesAccess.accessState(), FolderAccessState::needsAccess);
    EXPECT_EQ(templatesAccess.resolvedTemplatesRootPath(), "/published/earlier");
    EXPECT_EQ(stateChanged.size(), 1);

    // WHEN it is resolved or revealed, THEN both fail naming the folder, storing and opening none
    const auto resolved = templatesAccess.resolveTemplatesRoot();
    ASSERT_FALSE(resolved.hasValue());
    EXPECT_EQ(resolved.error().description(),
              "Could not prepare the Motion Templates folder at " + templatesFolder + ".");
    const auto revealed = templatesAccess.revealTemplatesFolder();
    ASSERT_TRUE(revealed.has_value());
    EXPECT_EQ(revealed->path, templatesFolder);
    EXPECT_EQ(settings.lastResolvedMotionTemplatesPath(), "/before");
    EXPECT_TRUE(workspace.openedFolders.isEmpty());
    EXPECT_EQ(templatesAccess.accessState(), FolderAccessState::needsAccess);
}

} // namespace
