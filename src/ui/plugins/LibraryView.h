#pragma once

#include "catalog/CatalogManifest.h"
#include "ui/plugins/LibraryFilters.h"
#include "ui/plugins/PackageCards.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>

namespace marlox::catalog {
class AppSettingsStore;
class CatalogService;
class InstalledPackageStore;
} // namespace marlox::catalog

namespace marlox::install {
class InstallationCoordinator;
} // namespace marlox::install

namespace marlox::ui {

class AppCountBadge;
class CategoryMenu;
class DisplayModePicker;
class LibraryFilterPills;
class LibrarySearchBox;
class PackageCardGrid;
class PackageDetailSheet;
class PluginTypePicker;
class ThumbnailCache;

// The Plugins screen: the catalog's plug-ins as cards that the user narrows down by type, install
// state, category and search text, lays out as a list or small or medium tiles, opens in a detail
// sheet and installs. It keeps only the user's choices of the moment; everything it shows is
// asked again of the services whenever one of them publishes a change.
class LibraryView : public QWidget {
    Q_OBJECT

public:
    LibraryView(catalog::AppSettingsStore& settingsStore, catalog::CatalogService& catalogService,
                catalog::InstalledPackageStore& installedStore,
                install::InstallationCoordinator& installationCoordinator,
                ThumbnailCache& thumbnailCache, QWidget* parent = nullptr);
    ~LibraryView() override;

    const LibraryFilterState& filterState() const { return m_filters; }
    // The package whose detail sheet is open.
    const std::optional<catalog::PackageManifest>& selectedForDetails() const {
        return m_selectedForDetails;
    }
    PackageCardGrid* cardGrid() const { return m_grid; }
    PackageDetailSheet* detailSheet() const;

    // Asks the services again and shows what they say now.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeFilterControls();
    void connectServices();

    PackageCardValues cardValues(const catalog::PackageManifest& package) const;
    void showDetails(const catalog::PackageManifest& package);
    void refreshDetailSheet();

    catalog::AppSettingsStore& m_settingsStore;
    catalog::CatalogService& m_catalogService;
    catalog::InstalledPackageStore& m_installedStore;
    install::InstallationCoordinator& m_installationCoordinator;
    ThumbnailCache& m_thumbnailCache;

    LibraryFilterState m_filters;
    // The category menu's entries as last shown; none before the first refresh.
    std::optional<QStringList> m_categories;
    std::optional<catalog::PackageManifest> m_selectedForDetails;
    // Which of the catalog's entries of that id it is: a catalog may list an id more than once.
    qsizetype m_selectedOccurrence = 0;

    AppCountBadge* m_countBadge = nullptr;
    LibrarySearchBox* m_searchBox = nullptr;
    PluginTypePicker* m_typePicker = nullptr;
    DisplayModePicker* m_displayModePicker = nullptr;
    LibraryFilterPills* m_filterPills = nullptr;
    CategoryMenu* m_categoryMenu = nullptr;
    PackageCardGrid* m_grid = nullptr;
    QPointer<PackageDetailSheet> m_sheet;
};

} // namespace marlox::ui
