#include "AppSection.h"

namespace marlox::app {
namespace {

struct SectionTexts {
    AppSection section;
    const char* rawValue;
    const char* title;
};

constexpr std::array<SectionTexts, 6> sectionTexts = {{
    {AppSection::home, "home", "Home"},
    {AppSection::plugins, "plugins", "Plugins"},
    {AppSection::updates, "updates", "Updates"},
    {AppSection::installed, "installed", "Installed"},
    {AppSection::support, "support", "Support"},
    {AppSection::settings, "settings", "Settings"},
}};

const SectionTexts& textsOf(AppSection section) {
    return sectionTexts[static_cast<size_t>(section)];
}

} // namespace

QString rawValue(AppSection section) {
    return QString::fromLatin1(textsOf(section).rawValue);
}

std::optional<AppSection> appSectionFromRawValue(const QString& raw) {
    for (const auto& texts : sectionTexts) {
        if (raw == QLatin1String(texts.rawValue)) {
            return texts.section;
        }
    }
    return std::nullopt;
}

QString title(AppSection section) {
    return QString::fromLatin1(textsOf(section).title);
}

} // namespace marlox::app
