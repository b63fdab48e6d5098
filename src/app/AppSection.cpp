#include "AppSection.h"

namespace marlox::app {
namespace {

struct SectionTexts {
    AppSection section;
    const char* rawValue;
    const char* title;
    ui::StudioGlyph glyph;
};

constexpr std::array<SectionTexts, 6> sectionTexts = {{
    {AppSection::home, "home", "Home", ui::StudioGlyph::home},
    {AppSection::plugins, "plugins", "Plugins", ui::StudioGlyph::plugin},
    {AppSection::updates, "updates", "Updates", ui::StudioGlyph::updates},
    {AppSection::installed, "installed", "Installed", ui::StudioGlyph::installed},
    {AppSection::support, "support", "Support", ui::StudioGlyph::user},
    {AppSection::settings, "settings", "Settings", ui::StudioGlyph::settings},
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

ui::StudioGlyph glyph(AppSection section) {
    return textsOf(section).glyph;
}

bool hasDetailHeader(AppSection section) {
    return section != AppSection::home && section != AppSection::plugins;
}

} // namespace marlox::app
