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
using marlox::platform::UserDefaults;
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
    std::optional<LoginItemError> registerItem() override { return change(statusAfterRegister); }
    std::optional<LoginItemError> unregisterItem() override {
        return change(LoginItemStatus::notRegistered);
    }

private:
    std::optional<LoginItemError> change(LoginItemStatus to) {
        ++changeRequests;
        currentStatus = failure ? currentStatus : to;
        return failure;
    }
};

class AppSettingsStoreTest : public marlox::testing::ScratchHomeTest {
protected:
    QString settingsFile() const { return home.filePath("settings/user.conf"); }

    // Settings as a previous run left them, and as this one leaves them.
    void storeBeforehand(const QString& key, const QVariant& value) {
        UserDefaults(settingsFile()).setValue(key, value);
    }
    QVariant stored(const QString& key) const { return UserDefaults(settingsFile()).value(key); }
    bool storedBoolean(const QString& key) const {
        return UserDefaults(settingsFile()).boolean(key);
    }

    // A store over the settings on disk; `writtenKeys` collects the keys it writes.
    AppSettingsStore& open(const QString& bundle = {}, LoginItem* item = nullptr) {
        store.reset();
        defaults = std::make_unique<UserDefaults>(settingsFile());
        writtenKeys.clear();
        QObject::connect(defaults.get(), &UserDefaults::valueChanged,
                         [this](const QString& key) { writtenKeys.append(key); });
        store = std::make_unique<AppSettingsStore>(
            *defaults, item ? *item : loginItem,
            bundle.isEmpty() ? home.filePath("Downloads/Marlox Studio.app") : bundle);
        return *store;
    }

    QString signedBundleInApplications() {
        const QString bundle = marlox::platform::userApplicationsFolder() + "/Marlox Studio.app";
        writeFile(bundle + "/Contents/_CodeSignature/CodeResources", "<plist/>");
        return bundle;
    }

    FakeLoginItem loginItem;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<AppSettingsStore> store;
    QStringList writtenKeys;
};

TEST_F(AppSettingsStoreTest, EmptyDefaultsGiveTheDefaultsAndWriteBackOnlyQuitFlagAndDisplayMode) {
    AppSettingsStore& settings = open();
    EXPECT_TRUE(settings.quitAppOnWindowClose());
    EXPECT_EQ(settings.libraryDisplayMode(), LibraryDisplayMode::small);
    EXPECT_EQ(settings.lastResolvedInstallPath(), "");
    EXPECT_EQ(settings.lastResolvedMotionTemplatesPath(), "");
    EXPECT_EQ(settings.installTargetBookmarkData(), std::nullopt);
    EXPECT_EQ(settings.motionTemplatesBookmarkData(), std::nullopt);
    EXPECT_FALSE(settings.launchAtLoginEnabled());

    EXPECT_EQ(stored(settingsKeys::quitAppOnWindowClose).toString(), "true");
    EXPECT_EQ(stored(settingsKeys::libraryDisplayMode).toString(), "small");
    EXPECT_FALSE(UserDefaults(settingsFile()).contains(settingsKeys::lastResolvedInstallPath));
    EXPECT_FALSE(UserDefaults(settingsFile()).contains(settingsKeys::installTargetBookmarkData));
}

TEST_F(AppSettingsStoreTest, ValuesAreStoredUnderTheirKeysAndReadBackWithTheirTypes) {
    // GIVEN bookmarks of an earlier run, one of them text where data belongs
    const QByteArray bookmark("\x00\x01 bookmark", 11);
    storeBeforehand(settingsKeys::installTargetBookmarkData, bookmark);
    storeBeforehand(settingsKeys::motionTemplatesBookmarkData, "text, not data");
    AppSettingsStore& settings = open();
    EXPECT_EQ(settings.installTargetBookmarkData(), bookmark);
    EXPECT_EQ(settings.motionTemplatesBookmarkData(), std::nullopt);

    // WHEN every setting is changed and the bookmarks are cleared
    QSignalSpy modeChanged(&settings, &AppSettingsStore::libraryDisplayModeChanged);
    QSignalSpy quitChanged(&settings, &AppSettingsStore::quitAppOnWindowCloseChanged);
    QSignalSpy bookmarkChanged(&settings, &AppSettingsStore::installTargetBookmarkDataChanged);
    settings.setLibraryDisplayMode(LibraryDisplayMode::list);
    settings.setQuitAppOnWindowClose(false);
    settings.setLastResolvedInstallPath("/p/install");
    settings.setLastResolvedMotionTemplatesPath("/p/templates");
    settings.clearInstallTargetBookmarkData();
    settings.clearMotionTemplatesBookmarkData();

    // THEN each change is announced once, and a fresh store reads them all back
    EXPECT_EQ(modeChanged.size(), 1);
    EXPECT_EQ(quitChanged.size(), 1);
    EXPECT_EQ(bookmarkChanged.size(), 1);
    AppSettingsStore& reread = open();
    EXPECT_EQ(reread.libraryDisplayMode(), LibraryDisplayMode::list);
    EXPECT_FALSE(reread.quitAppOnWindowClose());
    EXPECT_EQ(reread.lastResolvedInstallPath(), "/p/install");
    EXPECT_EQ(reread.lastResolvedMotionTemplatesPath(), "/p/templates");
    EXPECT_FALSE(defaults->contains(settingsKeys::installTargetBookmarkData));
    EXPECT_FALSE(defaults->contains(settingsKeys::motionTemplatesBookmarkData));
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
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value.toString().toStdString());
        storeBeforehand(settingsKeys::quitAppOnWindowClose, value);
        EXPECT_EQ(open().quitAppOnWindowClose(), expected);
        EXPECT_FALSE(writtenKeys.contains(settingsKeys::quitAppOnWindowClose));
    }
}

TEST_F(AppSettingsStoreTest, DisplayModeReadsOnlyExactRawValuesAndRewritesAnythingElseAsSmall) {
    const std::tuple<QVariant, LibraryDisplayMode, bool> cases[] = {
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
    for (const auto& [value, mode, rewritten] : cases) {
        SCOPED_TRACE(value.toString().toStdString());
        QFile::remove(settingsFile());
        if (value.isValid()) {
            storeBeforehand(settingsKeys::libraryDisplayMode, value);
        }
        EXPECT_EQ(open().libraryDisplayMode(), mode);
        EXPECT_EQ(writtenKeys.contains(settingsKeys::libraryDisplayMode), rewritten);
        EXPECT_EQ(stored(settingsKeys::libraryDisplayMode).toString(), rawValue(mode));
    }
}

TEST_F(AppSettingsStoreTest, LoginItemAvailabilityDependsOnWhereTheBundleLiesAndItsSignature) {
    const QString homeFolder = marlox::platform::homeFolder();
    const QString applications = homeFolder + "/Applications";
    for (const QString& signedCopy :
         {applications + "/Signed.app", homeFolder + "/Downloads/Signed.app",
          homeFolder + "/ApplicationsOld/Signed.app"}) {
        writeFile(signedCopy + "/Contents/_CodeSignature/CodeResources", "x");
    }
    QDir().mkpath(applications + "/Unsigned.app/Contents");
    // A link in Applications to a copy elsewhere resolves to elsewhere.
    QFile::link(homeFolder + "/Downloads/Signed.app", applications + "/Linked.app");
    QFile::link(applications, homeFolder + "/AppsLink");

    const std::pair<QString, std::optional<QString>> cases[] = {
        {applications + "/Signed.app", std::nullopt},
        {homeFolder + "/AppsLink/Signed.app", std::nullopt},
        {applications + "/Unsigned.app", launchAtLoginRequiresSignedBuildMessage},
        {"/Applications/Nowhere.app", launchAtLoginRequiresSignedBuildMessage},
        {homeFolder + "/Downloads/Signed.app", launchAtLoginRequiresApplicationsMessage},
        {homeFolder + "/ApplicationsOld/Signed.app", launchAtLoginRequiresApplicationsMessage},
        {applications + "/Linked.app", launchAtLoginRequiresApplicationsMessage},
        {"/Applications", launchAtLoginRequiresApplicationsMessage},
    };
    for (const auto& [bundle, message] : cases) {
        SCOPED_TRACE(bundle.toStdString());
        const LaunchAtLoginAvailability availability =
            launchAtLoginAvailability(bundle, homeFolder);
        EXPECT_EQ(availability.isAvailable, !message.has_value());
        EXPECT_EQ(availability.message, message);
    }
}

TEST_F(AppSettingsStoreTest, CopyOutsideApplicationsCannotTurnTheSwitchOn) {
    storeBeforehand(settingsKeys::launchAtLoginEnabled, true);
    loginItem.currentStatus = LoginItemStatus::enabled;
    AppSettingsStore& settings = open(home.filePath("Downloads/Marlox Studio.app"));
    EXPECT_FALSE(settings.launchAtLoginEnabled());
    EXPECT_FALSE(settings.launchAtLoginIsAvailable());
    EXPECT_EQ(settings.launchAtLoginAvailabilityMessage(),
              launchAtLoginRequiresApplicationsMessage);
    EXPECT_EQ(settings.launchAtLoginErrorMessage(), std::nullopt);
    EXPECT_FALSE(storedBoolean(settingsKeys::launchAtLoginEnabled));

    settings.setLaunchAtLoginEnabled(true);
    EXPECT_FALSE(settings.launchAtLoginEnabled());
    EXPECT_EQ(settings.launchAtLoginErrorMessage(), launchAtLoginRequiresApplicationsMessage);
    EXPECT_EQ(loginItem.changeRequests, 0);
}

TEST_F(AppSettingsStoreTest, SwitchShowsWhatTheSystemReportsNotWhatWasStoredOrAsked) {
    using enum LoginItemStatus;
    struct Case {
        const char* name;
        LoginItemStatus before;
        bool request;
        LoginItemStatus afterRegister;
        bool fails;
        bool expectedSwitch;
    };
    const Case cases[] = {
        {"register enables", notRegistered, true, enabled, false, true},
        {"register needs approval", notRegistered, true, requiresApproval, false, false},
        {"register refused", notRegistered, true, enabled, true, false},
        {"register while approval is pending", requiresApproval, true, requiresApproval, false,
         false},
        {"register an item not found", notFound, true, enabled, false, true},
        {"unregister refused", enabled, false, enabled, true, true},
        {"unregister", enabled, false, enabled, false, false},
    };
    const QString bundle = signedBundleInApplications();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // GIVEN a stored switch that disagrees with the system's status
        const bool enabledAtStart = c.before == enabled;
        storeBeforehand(settingsKeys::launchAtLoginEnabled, !enabledAtStart);
        loginItem = FakeLoginItem();
        loginItem.currentStatus = c.before;
        loginItem.statusAfterRegister = c.afterRegister;
        loginItem.failure = c.fails ? std::optional(LoginItemError{"refused"}) : std::nullopt;

        // WHEN a store is made THEN it shows the system's status
        AppSettingsStore& settings = open(bundle);
        ASSERT_TRUE(settings.launchAtLoginIsAvailable());
        EXPECT_EQ(settings.launchAtLoginEnabled(), enabledAtStart);
        EXPECT_EQ(storedBoolean(settingsKeys::launchAtLoginEnabled), enabledAtStart);

        // WHEN the switch is changed THEN it shows the system's answer
        settings.setLaunchAtLoginEnabled(c.request);
        EXPECT_EQ(loginItem.changeRequests, 1);
        EXPECT_EQ(settings.launchAtLoginEnabled(), c.expectedSwitch);
        EXPECT_EQ(settings.launchAtLoginErrorMessage(),
                  c.fails ? std::optional(launchAtLoginChangeFailedMessage) : std::nullopt);
        EXPECT_EQ(storedBoolean(settingsKeys::launchAtLoginEnabled), c.expectedSwitch);
    }
}

TEST_F(AppSettingsStoreTest, EnablingOnLinuxWritesTheAutostartEntryAndReadsItBack) {
    const QString bundle = signedBundleInApplications();
    marlox::platform::MainApplicationLoginItem systemItem(
        "studio.marlox.MarloxStudio", bundle + "/Contents/MacOS/MarloxStudio", "Marlox Studio");
    const QString entry =
        home.path() + "/home/.config/autostart/studio.marlox.MarloxStudio.desktop";
    EXPECT_FALSE(open(bundle, &systemItem).launchAtLoginEnabled());
    store->setLaunchAtLoginEnabled(true);
    EXPECT_TRUE(store->launchAtLoginEnabled());
    EXPECT_EQ(store->launchAtLoginErrorMessage(), std::nullopt);
    EXPECT_TRUE(QFileInfo(entry).isFile());

    // A fresh start reads the entry's presence as the status.
    storeBeforehand(settingsKeys::launchAtLoginEnabled, false);
    EXPECT_TRUE(open(bundle, &systemItem).launchAtLoginEnabled());
    store->setLaunchAtLoginEnabled(false);
    EXPECT_FALSE(store->launchAtLoginEnabled());
    EXPECT_FALSE(QFileInfo::exists(entry));
}

} // namespace
