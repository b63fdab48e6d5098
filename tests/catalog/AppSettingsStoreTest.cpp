#include "catalog/AppSettingsStore.h"

#include "platform/LoginItem.h"
#include "platform/StandardFolders.h"
#include "platform/UserDefaults.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

using namespace marlox::catalog;
using marlox::platform::LoginItem;
using marlox::platform::LoginItemError;
using marlox::platform::LoginItemStatus;
using marlox::platform::MainApplicationLoginItem;
using marlox::platform::UserDefaults;
using marlox::testing::ScratchHomeTest;
using marlox::testing::writeFile;

namespace {

// A login item whose system answers are set by the test.
class FakeLoginItem final : public LoginItem {
public:
    LoginItemStatus currentStatus = LoginItemStatus::notRegistered;
    LoginItemStatus statusAfterRegister = LoginItemStatus::enabled;
    std::optional<LoginItemError> failure;
    int changeRequests = 0;

    LoginItemStatus status() const override { return currentStatus; }
    std::optional<LoginItemError> registerItem() override {
        ++changeRequests;
        if (!failure) {
            currentStatus = statusAfterRegister;
        }
        return failure;
    }
    std::optional<LoginItemError> unregisterItem() override {
        ++changeRequests;
        if (!failure) {
            currentStatus = LoginItemStatus::notRegistered;
        }
        return failure;
    }
};

class AppSettingsStoreTest : public ScratchHomeTest {
protected:
    QString settingsFile() const { return home.filePath("settings/user.conf"); }

    // Settings as a previous run left them.
    void storeBeforehand(const QString& key, const QVariant& value) {
        UserDefaults(settingsFile()).setValue(key, value);
    }

    QString bundleInApplications(bool signedBuild) {
        const QString bundle = marlox::platform::userApplicationsFolder() + "/Marlox Studio.app";
        QDir().mkpath(bundle + "/Contents/MacOS");
        if (signedBuild) {
            writeFile(bundle + "/Contents/_CodeSignature/CodeResources", "<plist/>");
        }
        return bundle;
    }

    AppSettingsStore& makeStore(const QString& bundlePath = {}) {
        store = std::make_unique<AppSettingsStore>(
            defaults, loginItem,
            bundlePath.isEmpty() ? home.filePath("Downloads/Marlox Studio.app") : bundlePath);
        return *store;
    }

    UserDefaults defaults{settingsFile()};
    FakeLoginItem loginItem;
    std::unique_ptr<AppSettingsStore> store;
};

TEST_F(AppSettingsStoreTest, EmptyDefaultsGiveTheDefaultsAndWriteBackOnlyQuitFlagAndDisplayMode) {
    AppSettingsStore& settings = makeStore();
    EXPECT_TRUE(settings.quitAppOnWindowClose());
    EXPECT_EQ(settings.libraryDisplayMode(), LibraryDisplayMode::small);
    EXPECT_EQ(settings.lastResolvedInstallPath(), "");
    EXPECT_EQ(settings.lastResolvedMotionTemplatesPath(), "");
    EXPECT_EQ(settings.installTargetBookmarkData(), std::nullopt);
    EXPECT_EQ(settings.motionTemplatesBookmarkData(), std::nullopt);
    EXPECT_FALSE(settings.launchAtLoginEnabled());

    UserDefaults reread(settingsFile());
    EXPECT_EQ(reread.value(settingsKeys::quitAppOnWindowClose).toString(), "true");
    EXPECT_TRUE(reread.boolean(settingsKeys::quitAppOnWindowClose));
    EXPECT_EQ(reread.string(settingsKeys::libraryDisplayMode), "small");
    EXPECT_FALSE(reread.contains(settingsKeys::lastResolvedInstallPath));
    EXPECT_FALSE(reread.contains(settingsKeys::installTargetBookmarkData));
}

TEST_F(AppSettingsStoreTest, StoredValuesAreReadBackWithTheirTypes) {
    storeBeforehand(settingsKeys::installTargetBookmarkData, QByteArray("\x00\x01 bookmark", 11));
    storeBeforehand(settingsKeys::lastResolvedInstallPath, "/x/Marlox Studio Plugins");
    // Text where data belongs counts as no bookmark.
    storeBeforehand(settingsKeys::motionTemplatesBookmarkData, "text, not data");
    storeBeforehand(settingsKeys::lastResolvedMotionTemplatesPath, "/x/Motion Templates.localized");
    storeBeforehand(settingsKeys::quitAppOnWindowClose, false);
    AppSettingsStore& settings = makeStore();
    EXPECT_EQ(settings.installTargetBookmarkData(), QByteArray("\x00\x01 bookmark", 11));
    EXPECT_EQ(settings.lastResolvedInstallPath(), "/x/Marlox Studio Plugins");
    EXPECT_EQ(settings.motionTemplatesBookmarkData(), std::nullopt);
    EXPECT_EQ(settings.lastResolvedMotionTemplatesPath(), "/x/Motion Templates.localized");
    EXPECT_FALSE(settings.quitAppOnWindowClose());
}

TEST_F(AppSettingsStoreTest, AnyStoredQuitFlagIsReadAsABooleanAndNotRewritten) {
    const std::pair<QVariant, bool> cases[] = {
        {false, false},
        {true, true},
        {0, false},
        {2, true},
        {"YES", true},
        {"maybe", false},
        {QByteArray("true"), false},
    };
    for (const auto& [stored, expected] : cases) {
        storeBeforehand(settingsKeys::quitAppOnWindowClose, stored);
        UserDefaults watched(settingsFile());
        QSignalSpy writes(&watched, &UserDefaults::valueChanged);
        AppSettingsStore settings(watched, loginItem, home.filePath("elsewhere.app"));
        EXPECT_EQ(settings.quitAppOnWindowClose(), expected) << stored.toString().toStdString();
        for (const QList<QVariant>& write : writes) {
            EXPECT_NE(write[0].toString(), settingsKeys::quitAppOnWindowClose);
        }
    }
}

TEST_F(AppSettingsStoreTest, DisplayModeReadsOnlyExactRawValuesAndRewritesAnythingElseAsSmall) {
    struct Case {
        QVariant stored;
        LibraryDisplayMode mode;
        bool rewritten;
    };
    const Case cases[] = {
        {"list", LibraryDisplayMode::list, false},
        {"small", LibraryDisplayMode::small, false},
        {"medium", LibraryDisplayMode::medium, false},
        {"large", LibraryDisplayMode::small, true},
        {"List", LibraryDisplayMode::small, true},
        {" list", LibraryDisplayMode::small, true},
        {"", LibraryDisplayMode::small, true},
        {QByteArray("list"), LibraryDisplayMode::small, true},
        {QVariant(), LibraryDisplayMode::small, true},
    };
    for (const Case& c : cases) {
        QFile::remove(settingsFile());
        if (c.stored.isValid()) {
            storeBeforehand(settingsKeys::libraryDisplayMode, c.stored);
        }
        UserDefaults watched(settingsFile());
        QSignalSpy writes(&watched, &UserDefaults::valueChanged);
        AppSettingsStore settings(watched, loginItem, home.filePath("elsewhere.app"));
        const std::string label = c.stored.toString().toStdString();
        EXPECT_EQ(settings.libraryDisplayMode(), c.mode) << label;
        const bool wrote =
            std::any_of(writes.cbegin(), writes.cend(), [](const QList<QVariant>& write) {
                return write[0].toString() == settingsKeys::libraryDisplayMode;
            });
        EXPECT_EQ(wrote, c.rewritten) << label;
        EXPECT_EQ(UserDefaults(settingsFile()).string(settingsKeys::libraryDisplayMode),
                  rawValue(c.mode))
            << label;
    }
}

TEST_F(AppSettingsStoreTest, SettersPublishAndStoreUnderTheirKeys) {
    AppSettingsStore& settings = makeStore();
    QSignalSpy modeChanged(&settings, &AppSettingsStore::libraryDisplayModeChanged);
    QSignalSpy quitChanged(&settings, &AppSettingsStore::quitAppOnWindowCloseChanged);
    settings.setLibraryDisplayMode(LibraryDisplayMode::list);
    settings.setQuitAppOnWindowClose(false);
    settings.setLastResolvedInstallPath("/p/install");
    settings.setLastResolvedMotionTemplatesPath("/p/templates");
    EXPECT_EQ(modeChanged.size(), 1);
    EXPECT_EQ(quitChanged.size(), 1);

    UserDefaults reread(settingsFile());
    EXPECT_EQ(reread.string(settingsKeys::libraryDisplayMode), "list");
    EXPECT_EQ(reread.contains(settingsKeys::quitAppOnWindowClose), true);
    EXPECT_FALSE(reread.boolean(settingsKeys::quitAppOnWindowClose));
    EXPECT_EQ(reread.string(settingsKeys::lastResolvedInstallPath), "/p/install");
    EXPECT_EQ(reread.string(settingsKeys::lastResolvedMotionTemplatesPath), "/p/templates");
}

TEST_F(AppSettingsStoreTest, ClearingABookmarkRemovesItsKey) {
    storeBeforehand(settingsKeys::installTargetBookmarkData, QByteArray("old"));
    storeBeforehand(settingsKeys::motionTemplatesBookmarkData, QByteArray("old"));
    AppSettingsStore& settings = makeStore();
    QSignalSpy changed(&settings, &AppSettingsStore::installTargetBookmarkDataChanged);
    settings.clearInstallTargetBookmarkData();
    settings.clearMotionTemplatesBookmarkData();
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(settings.installTargetBookmarkData(), std::nullopt);
    EXPECT_EQ(settings.motionTemplatesBookmarkData(), std::nullopt);
    UserDefaults reread(settingsFile());
    EXPECT_FALSE(reread.contains(settingsKeys::installTargetBookmarkData));
    EXPECT_FALSE(reread.contains(settingsKeys::motionTemplatesBookmarkData));
}

TEST_F(AppSettingsStoreTest, LoginItemAvailabilityDependsOnWhereTheBundleLiesAndItsSignature) {
    const QString homeFolder = marlox::platform::homeFolder();
    const QString applications = homeFolder + "/Applications";
    writeFile(applications + "/Signed.app/Contents/_CodeSignature/CodeResources", "x");
    QDir().mkpath(applications + "/Unsigned.app/Contents");
    writeFile(homeFolder + "/Downloads/Signed.app/Contents/_CodeSignature/CodeResources", "x");
    writeFile(homeFolder + "/ApplicationsOld/Signed.app/Contents/_CodeSignature/CodeResources",
              "x");
    // A link in Applications to a copy elsewhere resolves to elsewhere.
    QFile::link(homeFolder + "/Downloads/Signed.app", applications + "/Linked.app");
    QFile::link(applications, homeFolder + "/AppsLink");

    struct Case {
        QString bundle;
        bool available;
        std::optional<QString> message;
    };
    const Case cases[] = {
        {applications + "/Signed.app", true, std::nullopt},
        {homeFolder + "/AppsLink/Signed.app", true, std::nullopt},
        {applications + "/Unsigned.app", false, launchAtLoginRequiresSignedBuildMessage},
        {"/Applications/Nowhere.app", false, launchAtLoginRequiresSignedBuildMessage},
        {homeFolder + "/Downloads/Signed.app", false, launchAtLoginRequiresApplicationsMessage},
        {homeFolder + "/ApplicationsOld/Signed.app", false,
         launchAtLoginRequiresApplicationsMessage},
        {applications + "/Linked.app", false, launchAtLoginRequiresApplicationsMessage},
        {"/Applications", false, launchAtLoginRequiresApplicationsMessage},
    };
    for (const Case& c : cases) {
        const LaunchAtLoginAvailability availability =
            launchAtLoginAvailability(c.bundle, homeFolder);
        EXPECT_EQ(availability.isAvailable, c.available) << c.bundle.toStdString();
        EXPECT_EQ(availability.message, c.message) << c.bundle.toStdString();
    }
}

TEST_F(AppSettingsStoreTest, CopyOutsideApplicationsCannotTurnTheSwitchOn) {
    storeBeforehand(settingsKeys::launchAtLoginEnabled, true);
    loginItem.currentStatus = LoginItemStatus::enabled;
    AppSettingsStore& settings = makeStore(home.filePath("Downloads/Marlox Studio.app"));
    EXPECT_FALSE(settings.launchAtLoginEnabled());
    EXPECT_FALSE(settings.launchAtLoginIsAvailable());
    EXPECT_EQ(settings.launchAtLoginAvailabilityMessage(),
              launchAtLoginRequiresApplicationsMessage);
    EXPECT_EQ(settings.launchAtLoginErrorMessage(), std::nullopt);
    EXPECT_FALSE(UserDefaults(settingsFile()).boolean(settingsKeys::launchAtLoginEnabled));

    settings.setLaunchAtLoginEnabled(true);
    EXPECT_FALSE(settings.launchAtLoginEnabled());
    EXPECT_EQ(settings.launchAtLoginErrorMessage(), launchAtLoginRequiresApplicationsMessage);
    EXPECT_EQ(loginItem.changeRequests, 0);
}

TEST_F(AppSettingsStoreTest, SwitchShowsWhatTheSystemReportsNotWhatWasAsked) {
    struct Case {
        const char* name;
        LoginItemStatus before;
        bool request;
        LoginItemStatus afterRegister;
        bool fails;
        bool expectedSwitch;
        std::optional<QString> expectedError;
    };
    const Case cases[] = {
        {"register enables", LoginItemStatus::notRegistered, true, LoginItemStatus::enabled, false,
         true, std::nullopt},
        {"register needs approval", LoginItemStatus::notRegistered, true,
         LoginItemStatus::requiresApproval, false, false, std::nullopt},
        {"register refused", LoginItemStatus::notRegistered, true, LoginItemStatus::enabled, true,
         false, launchAtLoginChangeFailedMessage},
        {"unregister refused", LoginItemStatus::enabled, false, LoginItemStatus::enabled, true,
         true, launchAtLoginChangeFailedMessage},
        {"unregister", LoginItemStatus::enabled, false, LoginItemStatus::enabled, false, false,
         std::nullopt},
    };
    const QString bundle = bundleInApplications(true);
    for (const Case& c : cases) {
        loginItem = FakeLoginItem();
        loginItem.currentStatus = c.before;
        loginItem.statusAfterRegister = c.afterRegister;
        if (c.fails) {
            loginItem.failure = LoginItemError{"refused"};
        }
        AppSettingsStore& settings = makeStore(bundle);
        ASSERT_TRUE(settings.launchAtLoginIsAvailable()) << c.name;
        settings.setLaunchAtLoginEnabled(c.request);
        EXPECT_EQ(loginItem.changeRequests, 1) << c.name;
        EXPECT_EQ(settings.launchAtLoginEnabled(), c.expectedSwitch) << c.name;
        EXPECT_EQ(settings.launchAtLoginErrorMessage(), c.expectedError) << c.name;
        EXPECT_EQ(UserDefaults(settingsFile()).boolean(settingsKeys::launchAtLoginEnabled),
                  c.expectedSwitch)
            << c.name;
    }
}

TEST_F(AppSettingsStoreTest, StoredSwitchFollowsTheSystemStatusAtCreation) {
    const std::pair<LoginItemStatus, bool> cases[] = {
        {LoginItemStatus::notRegistered, false},
        {LoginItemStatus::requiresApproval, false},
        {LoginItemStatus::notFound, false},
        {LoginItemStatus::enabled, true},
    };
    const QString bundle = bundleInApplications(true);
    for (const auto& [status, expected] : cases) {
        storeBeforehand(settingsKeys::launchAtLoginEnabled, !expected);
        loginItem.currentStatus = status;
        AppSettingsStore& settings = makeStore(bundle);
        EXPECT_EQ(settings.launchAtLoginEnabled(), expected);
        EXPECT_EQ(UserDefaults(settingsFile()).boolean(settingsKeys::launchAtLoginEnabled),
                  expected);
    }
}

TEST_F(AppSettingsStoreTest, EnablingOnLinuxWritesTheAutostartEntryAndReadsItBack) {
    const QString bundle = bundleInApplications(true);
    MainApplicationLoginItem systemItem("studio.marlox.MarloxStudio",
                                        bundle + "/Contents/MacOS/MarloxStudio", "Marlox Studio");
    const QString entry =
        home.path() + "/home/.config/autostart/studio.marlox.MarloxStudio.desktop";
    {
        AppSettingsStore settings(defaults, systemItem, bundle);
        EXPECT_FALSE(settings.launchAtLoginEnabled());
        settings.setLaunchAtLoginEnabled(true);
        EXPECT_TRUE(settings.launchAtLoginEnabled());
        EXPECT_EQ(settings.launchAtLoginErrorMessage(), std::nullopt);
        EXPECT_TRUE(QFileInfo(entry).isFile());
    }
    {
        // A fresh start reads the entry's presence as the status.
        UserDefaults(settingsFile()).setValue(settingsKeys::launchAtLoginEnabled, false);
        UserDefaults rereadDefaults(settingsFile());
        AppSettingsStore settings(rereadDefaults, systemItem, bundle);
        EXPECT_TRUE(settings.launchAtLoginEnabled());
        settings.setLaunchAtLoginEnabled(false);
        EXPECT_FALSE(settings.launchAtLoginEnabled());
        EXPECT_FALSE(QFileInfo::exists(entry));
    }
}

} // namespace
