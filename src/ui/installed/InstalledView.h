#pragma once

#include "ui/installed/InstalledRows.h"
#include "ui/installed/OtherChannelInstalls.h"

#include <QSet>
#include <QString>
#include <QWidget>

class QScrollArea;

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

class ThumbnailCache;

// The Installed screen: one card per installed record, joined to its catalog package, with
// details, folder reveal, repair and remove; above them the plug-ins found in the shared folder
// without a record, with "Adopt All". It redraws whenever the catalog, the records, the
// coordinator's operations or the "installed.showAllDetails" default change. The shared folder is
// listed off the main thread when the screen is shown and when the records change, and each
// redraw uses the newest listing.
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

    // As the newest listing of the shared folder shows them.
    QList<FoundInstall> otherChannelInstalls() const;
    // Records every found install; copies, registers or changes no file.
    void adoptAll();
    bool showAllDetails() const;
    const QSet<QString>& expandedPackageIDs() const { return m_expandedPackageIDs; }
    // Rebuilds the content from the services' current state.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void scanSharedFolder();
    QWidget* makeContent();
    QWidget* makeOtherChannelSection(const QList<FoundInstall>& found);
    QWidget* makeRowCard(const InstalledRow& row, const InstalledCard& card);
    QWidget* makeHeader(const InstalledRow& row, const InstalledCard& card);
    QWidget* makeDetails(const InstalledCard& card);
    void reveal(const QStringList& paths) const;

    catalog::CatalogService& m_catalogService;
    catalog::InstalledPackageStore& m_installedStore;
    install::InstallationCoordinator& m_installationCoordinator;
    catalog::AppSettingsStore& m_settingsStore;
    platform::Workspace& m_workspace;
    ThumbnailCache& m_thumbnailCache;
    QSet<QString> m_expandedPackageIDs;
    QSet<QString> m_sharedFolderNames;
    // Of overlapping listings only the newest is used.
    quint64 m_newestScan = 0;

    QScrollArea* m_scrollArea = nullptr;
};

} // namespace marlox::ui
