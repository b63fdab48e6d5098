#include "LibraryFilters.h"

#include "base/NameOrder.h"
#include "base/VersionComparison.h"
#include "catalog/InstalledPackage.h"

#include <QCollator>
#include <QHash>

#include <algorithm>

namespace marlox::ui {

using catalog::PackageManifest;
using catalog::PackageType;

namespace {

// Lower-cased and composed, so that canonically equivalent texts compare equal.
QString searchForm(const QString& text) {
    return text.toLower().normalized(QString::NormalizationForm_C);
}

bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// Matches packages against one query. A query is matched against many packages on every
// keystroke, so the common case (ASCII on both sides) searches a reused buffer without
// allocating; other text takes the full lower-casing and composition.
class QueryMatcher {
public:
    explicit QueryMatcher(const QString& query)
        : m_query(searchForm(query.trimmed())), m_queryIsAscii(isAscii(m_query)) {}

    bool matches(const PackageManifest& package) {
        if (m_query.isEmpty()) {
            return true;
        }
        // Joined with spaces, so that a query may run from the end of one field into the next.
        const QChar space(u' ');
        m_searchText.resize(0);
        m_searchText.append(package.name)
            .append(space)
            .append(package.category)
            .append(space)
            .append(package.id)
            .append(space);
        if (package.summary) {
            m_searchText.append(*package.summary);
        }
        // For ASCII, lower-casing is the only change and case-insensitive search is exactly it.
        if (m_queryIsAscii && isAscii(m_searchText)) {
            return m_searchText.contains(m_query, Qt::CaseInsensitive);
        }
        return searchForm(m_searchText).contains(m_query);
    }

private:
    QString m_query;
    bool m_queryIsAscii;
    QString m_searchText;
};

LibraryCardState cardState(const PackageManifest& package,
                           const catalog::InstalledPackage* record) {
    if (record == nullptr) {
        return LibraryCardState::notInstalled;
    }
    return base::compareVersions(record->version, package.version) < 0
               ? LibraryCardState::update
               : LibraryCardState::installed;
}

// The records by id for many lookups: ids share long prefixes, which makes the ordered map's
// comparisons the larger part of filtering a big catalog.
QHash<QStringView, const catalog::InstalledPackage*>
recordsByID(const catalog::InstalledPackageMap& installedByID) {
    QHash<QStringView, const catalog::InstalledPackage*> records;
    records.reserve(installedByID.size());
    for (auto record = installedByID.cbegin(); record != installedByID.cend(); ++record) {
        records.insert(record.key(), &record.value());
    }
    return records;
}

struct FilterTexts {
    QStringView raw;
    QStringView title;
};

// In the order of the enumeration's cases.
constexpr std::array<FilterTexts, 3> pluginTypeFilterTexts = {
    {{u"all", u"All"}, {u"generators", u"Generators"}, {u"filters", u"Filters"}}};
constexpr std::array<FilterTexts, 3> libraryFilterTexts = {
    {{u"all", u"All"}, {u"installed", u"Installed"}, {u"notInstalled", u"Not Installed"}}};

template <typename Filter>
FilterTexts textsOf(const std::array<FilterTexts, 3>& texts, Filter filter) {
    return texts.at(static_cast<size_t>(filter));
}

// Exactly the table's raw values, letter case included.
template <typename Filter>
std::optional<Filter> fromRawValue(const std::array<FilterTexts, 3>& texts,
                                   const std::array<Filter, 3>& filters, const QString& raw) {
    for (Filter filter : filters) {
        if (textsOf(texts, filter).raw == raw) {
            return filter;
        }
    }
    return std::nullopt;
}

} // namespace

QString rawValue(PluginTypeFilter filter) {
    return textsOf(pluginTypeFilterTexts, filter).raw.toString();
}

QString title(PluginTypeFilter filter) {
    return textsOf(pluginTypeFilterTexts, filter).title.toString();
}

std::optional<PluginTypeFilter> pluginTypeFilterFromRawValue(const QString& raw) {
    return fromRawValue(pluginTypeFilterTexts, allPluginTypeFilters, raw);
}

bool keeps(PluginTypeFilter filter, PackageType type) {
    switch (filter) {
    case PluginTypeFilter::all:
        return type == PackageType::generator || type == PackageType::filter;
    case PluginTypeFilter::generators:
        return type == PackageType::generator;
    case PluginTypeFilter::filters:
        return type == PackageType::filter;
    }
    return false;
}

QString rawValue(LibraryFilter filter) {
    return textsOf(libraryFilterTexts, filter).raw.toString();
}

QString title(LibraryFilter filter) {
    return textsOf(libraryFilterTexts, filter).title.toString();
}

std::optional<LibraryFilter> libraryFilterFromRawValue(const QString& raw) {
    return fromRawValue(libraryFilterTexts, allLibraryFilters, raw);
}

bool keeps(LibraryFilter filter, LibraryCardState state) {
    switch (filter) {
    case LibraryFilter::all:
        return true;
    case LibraryFilter::installed:
        return state != LibraryCardState::notInstalled;
    case LibraryFilter::notInstalled:
        return state == LibraryCardState::notInstalled;
    }
    return false;
}

QStringList availableCategories(const QList<PackageManifest>& packages) {
    QStringList categories;
    for (const PackageManifest& package : packages) {
        if (keeps(PluginTypeFilter::all, package.type) && !categories.contains(package.category)) {
            categories.append(package.category);
        }
    }
    std::stable_sort(categories.begin(), categories.end(),
                     [](const QString& lhs, const QString& rhs) {
                         const auto [lhsPosition, lhsLowered] = catalog::categorySortKey(lhs);
                         const auto [rhsPosition, rhsLowered] = catalog::categorySortKey(rhs);
                         if (lhsPosition != rhsPosition) {
                             return lhsPosition < rhsPosition;
                         }
                         // By code point of the composed form, the order ids take too.
                         return catalog::idOrderKey(lhsLowered) < catalog::idOrderKey(rhsLowered);
                     });
    return categories;
}

QString resetMissingCategory(const QString& selectedCategory, const QStringList& categories) {
    if (selectedCategory == allCategoriesSentinel || categories.contains(selectedCategory)) {
        return selectedCategory;
    }
    return allCategoriesSentinel;
}

bool matchesQuery(const PackageManifest& package, const QString& query) {
    return QueryMatcher(query).matches(package);
}

LibraryCardState cardState(const PackageManifest& package,
                           const catalog::InstalledPackageMap& installedByID) {
    const auto record = installedByID.constFind(package.id);
    return cardState(package, record == installedByID.cend() ? nullptr : &*record);
}

int sortRank(LibraryCardState state) {
    switch (state) {
    case LibraryCardState::update:
        return 0;
    case LibraryCardState::notInstalled:
        return 1;
    case LibraryCardState::installed:
        return 2;
    }
    return 1;
}

QList<PackageManifest> filteredPackages(const QList<PackageManifest>& packages,
                                        const catalog::InstalledPackageMap& installedByID,
                                        const LibraryFilterState& state) {
    QueryMatcher query(state.query);
    const auto records = recordsByID(installedByID);
    const bool anyCategory = state.category == allCategoriesSentinel;
    // One group per sort rank, each in the order of `packages`.
    std::array<QList<const PackageManifest*>, 3> groups;
    for (const PackageManifest& package : packages) {
        if (!keeps(state.typeFilter, package.type) ||
            (!anyCategory && package.category != state.category) || !query.matches(package)) {
            continue;
        }
        const LibraryCardState packageState =
            cardState(package, records.value(QStringView(package.id), nullptr));
        if (keeps(state.filter, packageState)) {
            groups[static_cast<size_t>(sortRank(packageState))].append(&package);
        }
    }
    // The catalog comes sorted by this order already, so a group is usually in order and costs
    // one look at each neighbour instead of a sort.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const auto nameOf = [](const PackageManifest* package) { return package->name; };
    const auto byName = [&](const PackageManifest* lhs, const PackageManifest* rhs) {
        return collator.compare(lhs->name, rhs->name) < 0;
    };
    QList<PackageManifest> result;
    result.reserve(groups[0].size() + groups[1].size() + groups[2].size());
    for (QList<const PackageManifest*>& group : groups) {
        if (!std::is_sorted(group.begin(), group.end(), byName)) {
            base::sortByLocalizedName(group, nameOf);
        }
        for (const PackageManifest* package : group) {
            result.append(*package);
        }
    }
    return result;
}

} // namespace marlox::ui
