#include "screens/SettingsContent.h"

#include "support/CatalogFixtures.h"
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

TEST(SettingsContentTest, PluginCheckReportsTheCatalogErrorElseHowManyUpdatesItFound) {
    const std::tuple<std::optional<QString>, qsizetype, QString> cases[] = {
        {std::nullopt, 0, "No plugin updates found."},
        // An empty error is no error.
        {"", 2, "2 plugin update(s) found."},
        // There is no singular form.
        {std::nullopt, 1, "1 plugin update(s) found."},
        {"Failed to load catalog: offline", 3,
         "Plugin update check failed: Failed to load catalog: offline"},
    };
    for (const auto& [catalogError, count, message] : cases) {
        const PluginCheckState state = finishedPluginCheck(checkedAt, catalogError, count);
        EXPECT_EQ(state, (PluginCheckState{false, checkedAt, message}));
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
        EXPECT_EQ(appVersionText(scratchBundle(home, info, QString("App%1.app").arg(++bundles))),
                  expected);
    }
}

} // namespace
