#pragma once

#include "catalog/CatalogManifest.h"
#include "screens/shared/ScreenLayout.h"
#include "screens/updates/PackageUpdates.h"
#include "screens/updates/UpdateRowView.h"
#include "ui/kit/SheetLayer.h"

#include <QList>
#include <QPointer>

#include <optional>

class QLabel;
class QVBoxLayout;

namespace marlox::catalog {
class CatalogService;
class InstalledPackageStore;
} // namespace marlox::catalog

namespace marlox::install {
class InstallationCoordinator;
}

namespace marlox::ui {
class AppCountBadge;
class AppPillButton;
class ThumbnailCache;
} // namespace marlox::ui

namespace marlox::screens {

// A package's release notes in a sheet over the window of the screen that presents it: its name,
// version and notes, and "Close", which Return presses too.
class ReleaseNotesView final : public ui::SheetLayer {
    Q_OBJECT

public:
    ReleaseNotesView(const catalog::PackageManifest& package, QWidget* presenter);

    const catalog::PackageManifest& package() const { return m_package; }

private:
    catalog::PackageManifest m_package;
};

// The Updates screen: every installed plug-in whose catalog version is newer, with "Update All",
// each package's "Update" and its release notes. It holds nothing but the package whose notes
// show; the list is worked out afresh whenever the catalog, the records or the running
// operations change.
class UpdatesView final : public SectionScreen {
    Q_OBJECT

public:
    UpdatesView(catalog::CatalogService& catalogService,
                catalog::InstalledPackageStore& installedStore,
                install::InstallationCoordinator& installationCoordinator,
                ui::ThumbnailCache& thumbnailCache, QWidget* parent = nullptr);
    ~UpdatesView() override;

    const UpdatesContent& content() const { return m_content; }
    const std::optional<catalog::PackageManifest>& selectedForReleaseNotes() const {
        return m_selectedForReleaseNotes;
    }
    // The first row of a package of that id while one is listed: a catalog may list an id twice,
    // and each entry has a row of its own.
    UpdateRowView* row(const QString& packageID) const;

private:
    void refresh();
    void updateAll();
    void showReleaseNotes(const catalog::PackageManifest& package);

    catalog::CatalogService& m_catalogService;
    catalog::InstalledPackageStore& m_installedStore;
    install::InstallationCoordinator& m_installationCoordinator;
    ui::ThumbnailCache& m_thumbnailCache;

    std::optional<catalog::PackageManifest> m_selectedForReleaseNotes;
    UpdatesContent m_content;

    QWidget* m_emptyCard = nullptr;
    QWidget* m_header = nullptr;
    ui::AppCountBadge* m_countBadge = nullptr;
    QLabel* m_countText = nullptr;
    ui::AppPillButton* m_updateAll = nullptr;
    QWidget* m_rowList = nullptr;
    QVBoxLayout* m_rowLayout = nullptr;
    // Rows are only made for packages new to the list; each shows the entry of its place.
    QList<UpdateRowView*> m_rows;
    QPointer<ReleaseNotesView> m_releaseNotes;
};

} // namespace marlox::screens
