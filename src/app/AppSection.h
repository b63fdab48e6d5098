#pragma once

#include "ui/kit/StudioIcon.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace marlox::app {

// The sidebar's destinations, in their order.
enum class AppSection { home, plugins, updates, installed, support, settings };

inline constexpr std::array<AppSection, 6> allAppSections = {
    AppSection::home,      AppSection::plugins, AppSection::updates,
    AppSection::installed, AppSection::support, AppSection::settings};

// The upper rows of the sidebar and the rows below its divider.
inline constexpr std::array<AppSection, 4> mainSidebarSections = {
    AppSection::home, AppSection::plugins, AppSection::updates, AppSection::installed};
inline constexpr std::array<AppSection, 2> lowerSidebarSections = {AppSection::support,
                                                                   AppSection::settings};

// "home", "plugins", ...: the case name.
QString rawValue(AppSection section);
// Exactly one of the six raw values, letter case included; nothing for any other text.
std::optional<AppSection> appSectionFromRawValue(const QString& raw);
QString title(AppSection section);
ui::StudioGlyph glyph(AppSection section);
// Home and Plugins draw their own tops; the other sections stand under the detail header.
bool hasDetailHeader(AppSection section);

} // namespace marlox::app
