#include "screens/settings/SettingsContent.h"

#include "screens/shared/AppVersionText.h"
#include "support/CatalogFixtures.h"

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

TEST(SettingsContentTest, PluginCheckOutcomeIsTheCountOrTheCatalogErrorInOrange) {
    const std::tuple<std::optional<QString>, qsizetype, MessageLine> cases[] = {
        {std::nullopt, 0, {"No plugin updates found.", MessageTone::secondary}},
        {std::nullopt, 1, {"1 plugin update(s) found.", MessageTone::secondary}},
        {"", 3, {"3 plugin update(s) found.", MessageTone::secondary}},
        {"Failed to load", 3, {"Plugin update check failed: Failed to load", MessageTone::orange}},
    };
    for (const auto& [catalogError, count, line] : cases) {
        const PluginCheckState state = finishedPluginCheck(checkedAt, catalogError, count);
        EXPECT_EQ(state, (PluginCheckState{false, checkedAt, line.text}));
        EXPECT_EQ(checkMessageLine(*state.lastCheckMessage), line);
    }
}

TEST(SettingsContentTest, LastCheckedIsTheMediumDateAndShortTimeOfTheLocale) {
    const std::pair<QLocale, QString> cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "Dec 6, 2026, 10:37 PM"},
        {QLocale(QLocale::German, QLocale::Germany), "6. Dez. 2026, 22:37"},
    };
    for (const auto& [locale, expected] : cases) {
        EXPECT_EQ(lastCheckedText(checkedAt, locale), expected) << locale.name().toStdString();
    }
    EXPECT_EQ(lastCheckedText(checkedAt), lastCheckedText(checkedAt, QLocale()));
}

TEST(SettingsContentTest, MessagesShowInTheirTonesAndEmptyOnesShowNoLine) {
    for (const QString text : {"", "Failed"}) {
        SettingsInputs inputs;
        inputs.catalogError = inputs.launchAtLoginAvailabilityMessage = text;
        inputs.launchAtLoginErrorMessage = inputs.appUpdateError = text;

        const SettingsContent content = settingsContent(inputs);

        const auto line = [&text](MessageTone tone) {
            return text.isEmpty() ? std::nullopt : std::optional(MessageLine{text, tone});
        };
        EXPECT_EQ(std::tuple(content.catalogError, content.launchAtLoginAvailability,
                             content.launchAtLoginError, content.appUpdateError),
                  std::tuple(line(MessageTone::red), line(MessageTone::secondary),
                             line(MessageTone::orange), line(MessageTone::orange)));
    }
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
