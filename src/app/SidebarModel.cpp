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

QStringList updateBannerVersionLines(const screens::AppUpdateNotice& notice,
                                     const QFontMetricsF& metrics, qreal width) {
    const QString version = QStringLiteral("Version ") + notice.version;
    const QString build =
        QLatin1Char('(') + screens::shownVersionText(notice.build) + QLatin1Char(')');
    const QString oneLine = version + QLatin1Char(' ') + build;
    if (metrics.horizontalAdvance(oneLine) <= width) {
        return {oneLine};
    }
    return {metrics.elidedText(version, Qt::ElideRight, width),
            metrics.elidedText(build, Qt::ElideMiddle, width)};
}

std::optional<AppSection> hoveredAfterExit(std::optional<AppSection> hovered, AppSection row) {
    return hovered == row ? std::nullopt : hovered;
}

} // namespace marlox::app
