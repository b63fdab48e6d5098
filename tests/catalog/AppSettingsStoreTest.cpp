#include "catalog/AppSettingsStore.h"

#include "CatalogTestSupport.h"
#include "platform/BackgroundWork.h"
#include "platform/LoginItem.h"
#include "platform/StandardFolders.h"
#include "platform/UserDefaults.h"
#include "support/SavedSettings.h"

#include <QCoreApplication>
#include <QFile>

#include <memory>

using namespace marlox::catalog;
using namespace marlox::platform;
using namespace marlox::testing;

namespace {

// A login item whose system answers are set by the test.
class FakeLoginItem final : public LoginItem {
public:
    using enum LoginItemStatus;
    LoginItemStatus currentStatus = notRegistered;
    LoginItemStatus statusAfterRegister = enabled;
    std::optional<LoginItemError> failure;
    int changeRequests = 0;

    LoginItemStatus status() const override { return currentStatus; }
    std::optional<LoginItemError> registerItem() override { return change(statusAfterRegister); }
    std::optional<LoginItemError> unregisterItem() override { return change(notRegistered); }

private:
    std::optional<LoginItemError> change(LoginItemStatus to) {
        ++changeRequests;
        currentStatus = failure ? currentStatus : to;
        return failure;
    }
};

class AppSettingsStoreTest : public ScratchHomeTest {
protected:
    QString settingsFile() const { return home.filePath("settings/user.conf"); }

    // Settings as a previous run left them, and as this one leaves them.
    void storeBeforehand(const QString& key, const QVariant& value) {
        UserDefaults(settingsFile()).setValue(key, value);
    }
    QVariant stored(const QString& key) const {
        return marlox::testing::savedSettings(settingsFile())->value(key);
    }

    // A store over the settings on disk; `writtenKeys` collects the keys it writes.
    AppSettingsStore& open(const QString& bundle = {}) {
        store.reset();
        defaults = std::make_unique<UserDefaults>(settingsFile());
        writtenKeys.clear();
        QObject::connect(defaults.get(), &UserDefaults::valueChanged,
                         [this](const QString& key) { writtenKeys.append(key); });
        store = std::make_unique<AppSettingsStore>(
            *defaults, loginItem,
            bundle.isEmpty() ? home.filePath("Downloads/Marlox Studio.app") : bundle);
        return *store;
    }

    FakeLoginItem loginItem;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<AppSettingsStore> store;
    QStringList writtenKeys;
};

TEST_F(AppSettingsStoreTest, QuitFlagReadsAnyStoredValueAndDisplayModeOnlyExactRawValues) {
    const QString quit = settingsKeys::quitAppOnWindowClose;
    const QString mode = settingsKeys::libraryDisplayMode;
    // The key, what is stored (nothing when invalid), how it reads, and whether it is written back.
    const std::tuple<QString, QVariant, QString, bool> cases[] = {
        {quit, QVariant(), "true", true},  {quit, false, "false", false},
        {quit, "maybe", "false", false},   {quit, QByteArray("true"), "false", false},
        {mode, QVariant(), "small", true}, {mode, "list", "list", false},
        {mode, "large", "small", true},    {mode, "List", "small", true},
        {mode, "", "small", true},         {mode, QByteArray("list"), "small", true},
    };
    for (const auto& [key, value, reading, rewritten] : cases) {
        SCOPED_TRACE(key.toStdString() + " " + value.toString().toStdString());
        QFile::remove(settingsFile());
        if (value.isValid()) {
            storeBeforehand(key, value);
        }
        AppSettingsStore& settings = open();
        EXPECT_EQ(key == quit ? QVariant(settings.quitAppOnWindowClose()).toString()
                              : rawValue(settings.libraryDisplayMode()),
                  reading);
        EXPECT_EQ(writtenKeys.contains(key), rewritten);
        EXPECT_EQ(stored(key).toString(), rewritten ? reading : value.toString());
    }
}

TEST_F(AppSettingsStoreTest, BookmarksReadOnlyAsDataAndOnlySettingsWithADefaultAreWritten) {
    // GIVEN empty defaults THEN only the settings with a default are written back
    open();
    writtenKeys.sort();
    EXPECT_EQ(writtenKeys,
              QStringList({settingsKeys::launchAtLoginEnabled, settingsKeys::libraryDisplayMode,
                           settingsKeys::quitAppOnWindowClose}));

    // GIVEN bookmarks of an earlier run, one of them text where data belongs
    const QByteArray bookmark("\x00\x01 bookmark", 11);
    storeBeforehand(settingsKeys::installTargetBookmarkData, bookmark);
    storeBeforehand(settingsKeys::motionTemplatesBookmarkData, "text, not data");
    AppSettingsStore& settings = open();
    EXPECT_EQ(settings.installTargetBookmarkData(), bookmark);
    EXPECT_EQ(settings.motionTemplatesBookmarkData(), std::nullopt);
    EXPECT_EQ(settings.lastResolvedInstallPath() + settings.lastResolvedMotionTemplatesPath(), "");
}

TEST_F(AppSettingsStoreTest, LoginItemAvailabilityDependsOnWhereTheBundleLiesAndItsSignature) {
    const QString user = marlox::platform::homeFolder();
    for (const char* signedCopy :
         {"/Applications/Signed.app", "/Downloads/Signed.app", "/ApplicationsOld/Signed.app"}) {
        writeFile(user + signedCopy + "/Contents/_CodeSignature/CodeResources", "x");
    }
    QDir().mkpath(user + "/Applications/Unsigned.app/Contents");
    // A link in Applications to a copy elsewhere resolves to elsewhere.
    QFile::link(user + "/Downloads/Signed.app", user + "/Applications/Linked.app");
    QFile::link(user + "/Applications", user + "/AppsLink");
    const auto outside = std::optional(launchAtLoginRequiresApplicationsMessage);
    const auto unsigned_ = std::optional(launchAtLoginRequiresSignedBuildMessage);
    const std::pair<QString, std::optional<QString>> cases[] = {
        {user + "/Applications/Signed.app", std::nullopt},
        {user + "/AppsLink/Signed.app", std::nullopt},
        {user + "/Applications/Unsigned.app", unsigned_},
        {"/Applications/Nowhere.app", unsigned_},
        {user + "/Downloads/Signed.app", outside},
        {user + "/ApplicationsOld/Signed.app", outside},
        {user + "/Applications/Linked.app", outside},
        {"/Applications", outside},
    };
    for (const auto& [bundle, message] : cases) {
        const LaunchAtLoginAvailability availability = launchAtLoginAvailability(bundle, user);
        EXPECT_EQ(availability.isAvailable, !message.has_value()) << bundle.toStdString();
        EXPECT_EQ(availability.message, message) << bundle.toStdString();
    }
}

TEST_F(AppSettingsStoreTest, SwitchShowsWhatTheSystemReportsNotWhatWasStoredOrAsked) {
    using enum LoginItemStatus;
    // Whether the copy lies in Applications, the system's status before, the switch asked for, the
    // status a registration leaves, whether the system refuses, and the switch shown after.
    using Case = std::tuple<const char*, bool, LoginItemStatus, bool, LoginItemStatus, bool, bool>;
    const Case cases[] = {
        {"register enables", true, notRegistered, true, enabled, false, true},
        {"register needs approval", true, notRegistered, true, requiresApproval, false, false},
        {"register refused", true, notRegistered, true, enabled, true, false},
        {"unregister", true, enabled, false, enabled, false, false},
        // A copy that cannot be a login item never shows the switch on nor asks the system.
        {"copy outside Applications", false, enabled, true, enabled, false, false},
    };
    const QString signedBundle = userApplicationsFolder() + "/Marlox Studio.app";
    writeFile(signedBundle + "/Contents/_CodeSignature/CodeResources", "<plist/>");
    const QString outside = home.filePath("Downloads/Marlox Studio.app");
    for (const auto& [name, inApplications, before, request, afterRegister, fails, shown] : cases) {
        SCOPED_TRACE(name);
        // GIVEN a stored switch that disagrees with what the store must show
        const bool enabledAtStart = inApplications && before == enabled;
        storeBeforehand(settingsKeys::launchAtLoginEnabled, !enabledAtStart);
        loginItem = FakeLoginItem();
        loginItem.currentStatus = before;
        loginItem.statusAfterRegister = afterRegister;
        loginItem.failure = fails ? std::optional(LoginItemError{"refused"}) : std::nullopt;

        // WHEN a store is made THEN it shows the system's status, where it may ask at all
        AppSettingsStore& settings = open(inApplications ? signedBundle : outside);
        EXPECT_EQ(settings.launchAtLoginIsAvailable(), inApplications);
        EXPECT_EQ(settings.launchAtLoginEnabled(), enabledAtStart);
        EXPECT_EQ(stored(settingsKeys::launchAtLoginEnabled).toBool(), enabledAtStart);
        EXPECT_EQ(settings.launchAtLoginErrorMessage(), std::nullopt);

        // WHEN the switch is changed THEN it shows the system's answer
        settings.setLaunchAtLoginEnabled(request);
        EXPECT_EQ(loginItem.changeRequests, inApplications ? 1 : 0);
        EXPECT_EQ(settings.launchAtLoginEnabled(), shown);
        EXPECT_EQ(settings.launchAtLoginErrorMessage(),
                  !inApplications ? std::optional(launchAtLoginRequiresApplicationsMessage)
                  : fails         ? std::optional(launchAtLoginChangeFailedMessage)
                                  : std::nullopt);
        EXPECT_EQ(stored(settingsKeys::launchAtLoginEnabled).toBool(), shown);
    }
}

TEST_F(AppSettingsStoreTest, SettingsThatCannotBeSavedAreLoggedOnceAndSavedOnceTheyCanBe) {
    // GIVEN a file where the settings' folder should be
    writeFile(home.filePath("settings"), "in the way");
    const auto saved = [] {
        QCoreApplication::processEvents();
        marlox::platform::utilityThreadPool()->waitForDone();
        QCoreApplication::processEvents();
    };

    // WHEN a store writes its defaults and the user changes a setting twice
    AppSettingsStore& settings = open();
    saved();
    settings.setLibraryDisplayMode(LibraryDisplayMode::list);
    saved();
    settings.setLibraryDisplayMode(LibraryDisplayMode::medium);
    saved();

    // THEN the failure is logged once, saying why
    const QStringList logged = loggedMessages().filter("Settings not saved");
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged.first().contains(home.filePath("settings"))) << logged.first().toStdString();

    // AND once the way is clear, the next change saves them all
    QFile::remove(home.filePath("settings"));
    settings.setQuitAppOnWindowClose(false);
    saved();
    EXPECT_EQ(stored(settingsKeys::libraryDisplayMode).toString(), "medium");
    EXPECT_EQ(stored(settingsKeys::quitAppOnWindowClose).toString(), "false");
}

} // namespace
