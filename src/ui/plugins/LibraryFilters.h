#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace marlox::ui {

// Which kind of plug-in the Plugins screen lists. Templates pass none of them.
enum class PluginTypeFilter { all, generators, filters };

inline constexpr std::array<PluginTypeFilter, 3> allPluginTypeFilters = {
    PluginTypeFilter::all, PluginTypeFilter::generators, PluginTypeFilter::filters};

QString rawValue(PluginTypeFilter filter);
QString title(PluginTypeFilter filter);
// Exactly the three raw values, letter case included; nothing for any other text.
std::optional<PluginTypeFilter> pluginTypeFilterFromRawValue(const QString& raw);
bool keeps(PluginTypeFilter filter, catalog::PackageType type);

// A package's install state as its card and detail sheet show it.
enum class LibraryCardState { notInstalled, installed, update };

// The Plugins screen's install filter.
enum class LibraryFilter { all, installed, notInstalled };

inline constexpr std::array<LibraryFilter, 3> allLibraryFilters = {
    LibraryFilter::all, LibraryFilter::installed, LibraryFilter::notInstalled};

QString rawValue(LibraryFilter filter);
QString title(LibraryFilter filter);
// Exactly the three raw values, letter case included; nothing for any other text.
std::optional<LibraryFilter> libraryFilterFromRawValue(const QString& raw);
bool keeps(LibraryFilter filter, LibraryCardState state);

// The category menu's value for every category; never shown as text of its own.
inline const QString allCategoriesSentinel = QStringLiteral("__all_categories__");

// What the user chose on the Plugins screen; it lives as long as the screen.
struct LibraryFilterState {
    PluginTypeFilter typeFilter = PluginTypeFilter::all;
    LibraryFilter filter = LibraryFilter::all;
    QString category = allCategoriesSentinel;
    // As typed; trimmed only when matched.
    QString query;
};

// Every category of every plug-in (whatever the filters), the fixed titles first in their order,
// then the others by their lower-cased text.
QStringList availableCategories(const QList<catalog::PackageManifest>& packages);
// The selection to keep once the category list has changed: all categories when it vanished.
QString resetMissingCategory(const QString& selectedCategory, const QStringList& categories);

bool matchesQuery(const catalog::PackageManifest& package, const QString& query);

LibraryCardState cardState(const catalog::PackageManifest& package,
                           const catalog::InstalledPackageMap& installedByID);
// Updates first, then what is not installed, then what is.
int sortRank(LibraryCardState state);

// The packages to show, in display order. `packages` must come in the catalog's name order (as
// the catalog service publishes them): within one sort group that order is kept as it is.
QList<catalog::PackageManifest> filteredPackages(const QList<catalog::PackageManifest>& packages,
                                                 const catalog::InstalledPackageMap& installedByID,
                                                 const LibraryFilterState& state);

} // namespace marlox::ui
