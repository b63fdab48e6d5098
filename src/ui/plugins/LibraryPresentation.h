#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/LibraryDisplayMode.h"
#include "ui/plugins/LibraryFilters.h"

#include <QRectF>
#include <QString>

#include <limits>
#include <optional>
#include <utility>

namespace marlox::ui {

// The text under a package's name on its card and detail sheet: the summary when it holds any
// text, else the release notes as they stand.
QString cardSummary(const catalog::PackageManifest& package);

// "Installing...", "Installed", "Update" or "Install".
QString actionTitle(LibraryCardState state, bool isInstalling);

// "Generator", "Filter" or "Template", for the detail sheet's "Type: " line.
QString packageTypeTitle(catalog::PackageType type);

// The display-mode button's hover help: "List View", "Small Icons" or "Medium Icons".
QString displayModeHelpText(catalog::LibraryDisplayMode mode);
// The symbol the display-mode button shows.
QString displayModeSymbolName(catalog::LibraryDisplayMode mode);

// One column description, repeated across the width: the list is a single flexible column, the
// icon modes adaptive ones.
struct GridColumns {
    enum class Sizing { flexible, adaptive };

    Sizing sizing = Sizing::flexible;
    qreal minimum = 0;
    qreal maximum = std::numeric_limits<qreal>::infinity();
    qreal spacing = 0;

    bool operator==(const GridColumns&) const = default;
};

GridColumns gridColumns(catalog::LibraryDisplayMode mode);
// The space between two rows of cards.
qreal rowSpacing(catalog::LibraryDisplayMode mode);

// Where the columns of a card grid fall in a given width.
struct ColumnLayout {
    int count = 1;
    qreal columnWidth = 0;
    // From the leading edge to the first column; the columns are centred.
    qreal leadingInset = 0;
    qreal spacing = 0;

    qreal columnX(int column) const { return leadingInset + column * (columnWidth + spacing); }
    bool operator==(const ColumnLayout&) const = default;
};

// As many columns as fit at their minimum width (at least one), widened to share the width up to
// their maximum, and centred.
ColumnLayout columnLayout(qreal availableWidth, const GridColumns& columns);

// Where each card of a grid of equal rows lies, and which of them a scrolled window shows.
struct CardGridGeometry {
    ColumnLayout columns;
    qreal rowHeight = 0;
    qreal rowSpacing = 0;
    int itemCount = 0;

    int rowCount() const;
    qreal contentHeight() const;
    QRectF itemRect(int index) const;
    // The first and one past the last card of the rows that reach into [top, top + height).
    std::pair<int, int> visibleItems(qreal top, qreal height) const;
};

} // namespace marlox::ui
