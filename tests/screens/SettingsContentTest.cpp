#include "screens/SettingsContent.h"

#include "ScreenTestSupport.h"
#include "screens/AppVersionText.h"

#include <gtest/gtest.h>

using namespace marlox::catalog;
using namespace marlox::install;
using namespace marlox::screens;
using namespace marlox::testing;

namespace marlox::screens {
inline void PrintTo(const MessageLine& line, std::ostream* out) {
    *out << line.text.toStdString() << " (tone " << static_cast<int>(line.tone) << ')';
}
} // namespace marlox::screens

namespace {

const QDateTime checkedAt(QDate(2026, 12, 6), QTime(22, 37, 5));

TEST(SettingsContentTest, PluginCheckReportsTheCatalogErrorOrHowManyUpdatesItFound) {
    using Line = std::optional<MessageLine>;
    const std::tuple<std::optional<QString>, qsizetype, Line> cases[] = {
        {std::nullopt, 0, MessageLine{"No plugin updates found.", MessageTone::secondary}},
        {"", 0, MessageLine{"No plugin updates found.", MessageTone::secondary}},
        // No singular form.
        {std::nullopt, 1, MessageLine{"1 plugin update(s) found.", MessageTone::secondary}},
        {std::nullopt, 3, MessageLine{"3 plugin update(s) found.", MessageTone::secondary}},
        {"Failed to load catalog: offline", 3,
         MessageLine{"Plugin update check failed: Failed to load catalog: offline",
                     MessageTone::orange}},
    };
    for (const auto& [catalogError, count, expected] : cases) {
        SCOPED_TRACE(catalogError.value_or("no error").toStdString());
        // GIVEN a check whose catalog reload ended with the case's error and count
        SettingsInputs inputs;
        inputs.pluginCheck = finishedPluginCheck(checkedAt, catalogError, count);

        // WHEN the screen shows it
        const SettingsContent content = settingsContent(inputs);

        // THEN the message has its colour and the time of the check is shown
        EXPECT_EQ(content.lastCheckMessage, expected);
        EXPECT_EQ(content.lastChecked, lastCheckedText(checkedAt));
        EXPECT_EQ(content.checkButtonTitle, "Check Plugin Updates");
        EXPECT_TRUE(content.checkButtonEnabled);
    }
}

TEST(SettingsContentTest, OnlyAMessageSayingFailedIsOrange) {
    const std::pair<QString, MessageTone> cases[] = {
        {"Plugin update check failed: x", MessageTone::orange},
        {"it failed", MessageTone::orange},
        {"Failed to load", MessageTone::secondary},
        {"No plugin updates found.", MessageTone::secondary},
    };
    for (const auto& [message, tone] : cases) {
        EXPECT_EQ(checkMessageLine(message), (MessageLine{message, tone}));
    }
}

TEST(SettingsContentTest, LastCheckedIsTheMediumDateAndShortTimeOfTheLocale) {
    const std::pair<QLocale, QString> cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "Dec 6, 2026, 10:37 PM"},
        {QLocale(QLocale::German, QLocale::Germany), "6. Dez. 2026, 22:37"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), "6 Dec 2026, 22:37"},
        {QLocale::c(), "6 Dec 2026, 22:37"},
    };
    for (const auto& [locale, expected] : cases) {
        EXPECT_EQ(lastCheckedText(checkedAt, locale), expected) << locale.name().toStdString();
    }
    EXPECT_EQ(lastCheckedText(checkedAt), lastCheckedText(checkedAt, QLocale()));
}

TEST(SettingsContentTest, RunningCheckTurnsTheButtonIntoADisabledCheckingWithProgress) {
    SettingsInputs inputs;
    inputs.pluginCheck.isChecking = true;

    const SettingsContent content = settingsContent(inputs);

    EXPECT_EQ(content.checkButtonTitle, "Checking...");
    EXPECT_FALSE(content.checkButtonEnabled);
    EXPECT_TRUE(content.showsCheckProgress);
    EXPECT_EQ(content.lastChecked, std::nullopt);
    EXPECT_EQ(content.lastCheckMessage, std::nullopt);
}

TEST(SettingsContentTest, MessageLinesShowOnlyWithTextInTheirColours) {
    // GIVEN every message empty, then every message with text
    SettingsInputs empty;
    empty.catalogError = "";
    empty.launchAtLoginAvailabilityMessage = "";
    empty.launchAtLoginErrorMessage = "";
    empty.appUpdateError = "";
    SettingsInputs filled;
    filled.catalogError = "Failed to load catalog: x";
    filled.launchAtLoginAvailabilityMessage = "Launch at Login requires a signed app build.";
    filled.launchAtLoginErrorMessage = "Launch at Login could not be changed.";
    filled.appUpdateError = "App update feed is not configured.";

    // WHEN each is shown
    const SettingsContent none = settingsContent(empty);
    const SettingsContent all = settingsContent(filled);

    // THEN empty texts show nothing, and each text keeps its card's colour
    EXPECT_EQ(std::tuple(none.catalogError, none.launchAtLoginAvailability, none.launchAtLoginError,
                         none.appUpdateError),
              std::tuple(std::nullopt, std::nullopt, std::nullopt, std::nullopt));
    EXPECT_EQ(all.catalogError, (MessageLine{*filled.catalogError, MessageTone::red}));
    EXPECT_EQ(all.launchAtLoginAvailability,
              (MessageLine{*filled.launchAtLoginAvailabilityMessage, MessageTone::secondary}));
    EXPECT_EQ(all.launchAtLoginError,
              (MessageLine{*filled.launchAtLoginErrorMessage, MessageTone::orange}));
    EXPECT_EQ(all.appUpdateError, (MessageLine{*filled.appUpdateError, MessageTone::orange}));
}

TEST(SettingsContentTest, CountsThePluginUpdatesAndNamesTheAvailableBuild) {
    // GIVEN two plug-in updates, a template update, and a notice of build 140
    SettingsInputs inputs;
    inputs.packages = {catalogPackage("a", "2.0"), catalogPackage("b", "1.1"),
                       catalogPackage("t", "2.0", PackageType::template_)};
    inputs.installedByID = recordsByID({installedRecord("a", "1.0"), installedRecord("b", "1.0"),
                                        installedRecord("t", "1.0", PackageType::template_)});
    inputs.availableUpdate = AppUpdateNotice{"140", "1.4.0"};

    const SettingsContent content = settingsContent(inputs);

    EXPECT_EQ(content.availableUpdates, "2");
    EXPECT_EQ(content.availableVersion, "1.4.0 (140)");
    EXPECT_EQ(settingsContent({}).availableVersion, std::nullopt);
}

TEST(SettingsContentTest, FolderCardsCarryTheGrantedPillOnlyOnceTheFolderIsReady) {
    SettingsInputs inputs;
    inputs.appDisplayName = "Marlox Studio";
    inputs.installFolderState = FolderAccessState::granted;
    inputs.installFolderPath = "/home/u/Applications/Marlox Studio Plugins";
    inputs.templatesFolderPath = "/home/u/Movies/Motion Templates.localized";

    const SettingsContent content = settingsContent(inputs);

    EXPECT_EQ(content.installFolder, (FolderCard{"Granted", inputs.installFolderPath}));
    EXPECT_EQ(content.templatesFolder, (FolderCard{std::nullopt, inputs.templatesFolderPath}));
    EXPECT_EQ(content.installFolderNote,
              "Marlox Studio automatically keeps plugins inside Applications so Motion and Final "
              "Cut Pro can resolve them consistently.");
    EXPECT_EQ(content.templatesFolderNote, "Marlox Studio automatically keeps Motion and Final "
                                           "Cut Pro templates in sync with installed plugins.");
    EXPECT_EQ(content.launchAtLoginDescription,
              "Automatically open Marlox Studio when you log in.");
}

TEST(SettingsContentTest, ClearCacheWaitsForARunningOperation) {
    SettingsInputs inputs;
    EXPECT_TRUE(settingsContent(inputs).clearCacheEnabled);
    inputs.operationInFlight = true;
    EXPECT_FALSE(settingsContent(inputs).clearCacheEnabled);
}

class AppVersionTextTest : public ScratchHomeTest {};

TEST_F(AppVersionTextTest, JoinsShortVersionAndBuildWithStandInsForMissingOrNonTextValues) {
    const std::tuple<const char*, QVariantMap, QString> cases[] = {
        {"both",
         {{"CFBundleShortVersionString", "1.2.0"}, {"CFBundleVersion", "45"}},
         "1.2.0 (45)"},
        {"neither", {}, "0.1.0 (-)"},
        {"not text", {{"CFBundleShortVersionString", 2}, {"CFBundleVersion", true}}, "0.1.0 (-)"},
        {"build only", {{"CFBundleVersion", "7"}}, "0.1.0 (7)"},
    };
    int bundles = 0;
    for (const auto& [name, info, expected] : cases) {
        SCOPED_TRACE(name);
        useScratchMainBundle(home, info, QString("App%1.app").arg(++bundles));
        EXPECT_EQ(appVersionText(), expected);
    }
}

} // namespace
