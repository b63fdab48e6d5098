#pragma once

#include "catalog/InstalledPackage.h"
#include "ui/installed/InstalledRows.h"
#include "ui/installed/OtherChannelInstalls.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QLayout;
class QScrollArea;
class QVBoxLayout;

namespace marlox::catalog {
class AppSettingsStore;
class CatalogService;
class InstalledPackageStore;
} // namespace marlox::catalog

namespace marlox::install {
class InstallationCoordinator;
}

namespace marlox::platform {
class Workspace;
}

namespace marlox::ui {

class ColumnLayout;
class InstalledCardView;
class SymbolButtonIcons;
class ThumbnailCache;

// The Installed screen: one card per installed record, joined to its catalog package, with
// details, folder reveal, repair and remove; above them the plug-ins found in the shared folder
// without a record, with "Adopt All". It refreshes whenever the catalog, the records, the
// coordinator's operations or the "installed.showAllDetails" default change, working out again
// only what the change bears on: it keeps the card of each record still listed and changes only
// what a card shows differently. The shared folder is listed off the main thread when the screen
// is shown and when the records change, and each refresh uses the newest listing.
class InstalledView : public QWidget {
    Q_OBJECT

public:
    // The settings store's defaults hold "installed.showAllDetails", written by the window's
    // header switch; `workspace` reveals the folders.
    InstalledView(catalog::CatalogService& catalogService,
                  catalog::InstalledPackageStore& installedStore,
                  install::InstallationCoordinator& installationCoordinator,
                  catalog::AppSettingsStore& settingsStore, platform::Workspace& workspace,
                  ThumbnailCache& thumbnailCache, QWidget* parent = nullptr);
    ~InstalledView() override;

    // As the newest listing of the shared folder shows them.
    QList<FoundInstall> otherChannelInstalls() const;
    // Records every found install; copies, registers or changes no file.
    void adoptAll();
    bool showAllDetails() const;
    const QSet<QString>& expandedPackageIDs() const { return m_expandedPackageIDs; }
    // Brings the content up to the services' current state.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void scanSharedFolder();
    void makeContent();
    void refreshRecords();
    void showOtherChannelInstalls();
    QWidget* makeOtherChannelSection(const QList<FoundInstall>& found);
    void showCards();
    InstalledCardView* makeCard(const InstalledRow& row, const InstalledCard& card);
    void placeInOrder(const QList<InstalledCardView*>& cards);
    void reveal(const QStringList& paths) const;

    catalog::CatalogService& m_catalogService;
    catalog::InstalledPackageStore& m_installedStore;
    install::InstallationCoordinator& m_installationCoordinator;
    catalog::AppSettingsStore& m_settingsStore;
    platform::Workspace& m_workspace;
    ThumbnailCache& m_thumbnailCache;
    QSet<QString> m_expandedPackageIDs;
    QSet<QString> m_sharedFolderNames;
    // Made again only when the catalog or the records change.
    std::optional<catalog::RecordedEntries> m_catalogEntries;
    QList<InstalledRow> m_rows;
    // Of overlapping listings only the newest is used.
    quint64 m_newestScan = 0;

    QScrollArea* m_scrollArea = nullptr;
    QLayout* m_centring = nullptr;
    QVBoxLayout* m_column = nullptr;
    QWidget* m_otherChannelSection = nullptr;
    QList<FoundInstall> m_shownFoundInstalls;
    QWidget* m_emptyState = nullptr;
    QWidget* m_cardList = nullptr;
    ColumnLayout* m_cardLayout = nullptr;
    QHash<QString, InstalledCardView*> m_cardsByID;
    std::unique_ptr<SymbolButtonIcons> m_buttonIcons;
};

} // namespace marlox::ui
