#include "LibraryPresentation.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace marlox::ui {

using catalog::LibraryDisplayMode;
using catalog::PackageManifest;
using catalog::PackageType;

namespace {

struct DisplayModeLook {
    QStringView symbolName;
    QStringView helpText;
};

// In the order of the display modes.
constexpr std::array<DisplayModeLook, 3> displayModeLooks = {{
    {u"list.bullet", u"List View"},
    {u"square.grid.3x2", u"Small Icons"},
    {u"square.grid.2x2", u"Medium Icons"},
}};

} // namespace

QString cardSummary(const PackageManifest& package) {
    const QString summary = package.summary.value_or(QString()).trimmed();
    return summary.isEmpty() ? package.releaseNotes : summary;
}

QString actionTitle(LibraryCardState state, bool isInstalling) {
    if (isInstalling) {
        return QStringLiteral("Installing...");
    }
    switch (state) {
    case LibraryCardState::installed:
        return QStringLiteral("Installed");
    case LibraryCardState::update:
        return QStringLiteral("Update");
    case LibraryCardState::notInstalled:
        return QStringLiteral("Install");
    }
    return QStringLiteral("Install");
}

QString packageTypeTitle(PackageType type) {
    static constexpr std::array<QStringView, 3> titles = {u"Generator", u"Filter", u"Template"};
    return titles.at(static_cast<size_t>(type)).toString();
}

QString displayModeHelpText(LibraryDisplayMode mode) {
    return displayModeLooks.at(static_cast<size_t>(mode)).helpText.toString();
}

QString displayModeSymbolName(LibraryDisplayMode mode) {
    return displayModeLooks.at(static_cast<size_t>(mode)).symbolName.toString();
}

GridColumns gridColumns(LibraryDisplayMode mode) {
    switch (mode) {
    case LibraryDisplayMode::list:
        return {GridColumns::Sizing::flexible, 10, std::numeric_limits<qreal>::infinity(), 0};
    case LibraryDisplayMode::small:
        return {GridColumns::Sizing::adaptive, 220, 280, 12};
    case LibraryDisplayMode::medium:
        return {GridColumns::Sizing::adaptive, 300, 380, 14};
    }
    return {};
}

qreal rowSpacing(LibraryDisplayMode mode) {
    return mode == LibraryDisplayMode::medium ? 14 : 12;
}

ColumnLayout columnLayout(qreal availableWidth, const GridColumns& columns) {
    const qreal width = std::max<qreal>(availableWidth, 0);
    int count = 1;
    if (columns.sizing == GridColumns::Sizing::adaptive) {
        count = std::max(1, static_cast<int>(std::floor((width + columns.spacing) /
                                                        (columns.minimum + columns.spacing))));
    }
    const qreal shared = (width - (count - 1) * columns.spacing) / count;
    const qreal columnWidth = std::clamp(shared, columns.minimum, columns.maximum);
    const qreal used = count * columnWidth + (count - 1) * columns.spacing;
    return {count, columnWidth, std::max<qreal>(0, (width - used) / 2), columns.spacing};
}

int CardGridGeometry::rowCount() const {
    return (itemCount + columns.count - 1) / columns.count;
}

qreal CardGridGeometry::contentHeight() const {
    const int rows = rowCount();
    return rows == 0 ? 0 : rows * rowHeight + (rows - 1) * rowSpacing;
}

QRectF CardGridGeometry::itemRect(int index) const {
    const int row = index / columns.count;
    return {columns.columnX(index % columns.count), row * (rowHeight + rowSpacing),
            columns.columnWidth, rowHeight};
}

std::pair<int, int> CardGridGeometry::visibleItems(qreal top, qreal height) const {
    const qreal pitch = rowHeight + rowSpacing;
    if (itemCount == 0 || pitch <= 0 || height <= 0) {
        return {0, 0};
    }
    // A row is seen when its bottom is below the top edge and its top above the bottom edge.
    const int firstRow = std::max(0, static_cast<int>(std::floor((top + rowSpacing) / pitch)));
    const int endRow = static_cast<int>(std::ceil((top + height) / pitch));
    const int first = std::min(itemCount, firstRow * columns.count);
    const int end = std::clamp(endRow * columns.count, first, itemCount);
    return {first, end};
}

} // namespace marlox::ui
