#include "SidebarModel.h"

namespace marlox::app {
namespace {

const QColor hoveredRowFill = QColor::fromRgbF(0.13f, 0.14f, 0.18f, 0.9f);

} // namespace

SidebarToggle sidebarToggle(bool isCollapsed) {
    if (isCollapsed) {
        return {QStringLiteral("sidebar.left"), QStringLiteral("Expand Sidebar")};
    }
    return {QStringLiteral("sidebar.right"), QStringLiteral("Collapse Sidebar")};
}

SidebarRowColors sidebarRowColors(AppSection row, AppSection selected,
                                  std::optional<AppSection> hovered) {
    if (row == selected) {
        return {Qt::black, Qt::white};
    }
    if (row == hovered) {
        return {Qt::white, hoveredRowFill};
    }
    return {Qt::white, Qt::transparent};
}

QString updateCapsuleText(qsizetype count) {
    return count < 100 ? QString::number(count) : QStringLiteral("99+");
}

SidebarMark sidebarMark(AppSection row, qsizetype updateCount, bool showsAvailableUpdate) {
    if (row == AppSection::updates && updateCount > 0) {
        return {SidebarMark::Kind::countCapsule, updateCapsuleText(updateCount)};
    }
    if (row == AppSection::settings && showsAvailableUpdate) {
        return {SidebarMark::Kind::dot, {}};
    }
    return {};
}

std::optional<QString>
updateBannerVersionLine(const std::optional<screens::AppUpdateNotice>& notice) {
    if (!notice) {
        return std::nullopt;
    }
    return QStringLiteral("Version ") + notice->version + QStringLiteral(" (") + notice->build +
           QLatin1Char(')');
}

std::optional<AppSection> hoveredAfterExit(std::optional<AppSection> hovered, AppSection row) {
    return hovered == row ? std::nullopt : hovered;
}

} // namespace marlox::app
