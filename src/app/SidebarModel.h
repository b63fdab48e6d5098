#pragma once

#include "app/AppSection.h"
#include "screens/appupdate/AppcastReader.h"

#include <QColor>
#include <QFontMetricsF>
#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::app {

inline constexpr int collapsedSidebarWidth = 92;
inline constexpr int expandedSidebarWidth = 272;

inline int sidebarWidth(bool isCollapsed) {
    return isCollapsed ? collapsedSidebarWidth : expandedSidebarWidth;
}

// The toolbar button that collapses and expands the sidebar.
struct SidebarToggle {
    QString symbolName;
    QString tooltip;

    bool operator==(const SidebarToggle&) const = default;
};

SidebarToggle sidebarToggle(bool isCollapsed);

// How a row is coloured: selection wins over hover.
struct SidebarRowColors {
    QColor foreground;
    // Transparent when the row is neither selected nor hovered.
    QColor fill;

    bool operator==(const SidebarRowColors&) const = default;
};

SidebarRowColors sidebarRowColors(AppSection row, AppSection selected,
                                  std::optional<AppSection> hovered);

// The attention mark a row carries: the Updates count capsule or the Settings dot.
struct SidebarMark {
    enum class Kind { none, countCapsule, dot };
    Kind kind = Kind::none;
    // The capsule's text.
    QString text;

    bool operator==(const SidebarMark&) const = default;
};

// The text of the Updates row's capsule: the count, or "99+" from 100 on.
QString updateCapsuleText(qsizetype count);
SidebarMark sidebarMark(AppSection row, qsizetype updateCount, bool showsAvailableUpdate);

inline const QString updateBannerTitle = QStringLiteral("App update available");
// "Version <version> (<build>)" under the banner's title, the build shortened as Settings
// shortens it, on one line when the width holds it. Else the build in parentheses goes whole to a
// second line, and what does not fit gives way to an ellipsis: the version at the end of the
// first line, a build too long even for a line of its own in its middle.
QStringList updateBannerVersionLines(const screens::AppUpdateNotice& notice,
                                     const QFontMetricsF& metrics, qreal width);

// The pointer left a row. A later row's entry may have arrived first; its section then stays.
std::optional<AppSection> hoveredAfterExit(std::optional<AppSection> hovered, AppSection row);

} // namespace marlox::app
