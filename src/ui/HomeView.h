#pragma once

#include "ui/HomeDashboard.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QScrollArea;

namespace marlox::catalog {
class CatalogService;
class InstalledPackageStore;
} // namespace marlox::catalog

namespace marlox::ui {

class ThumbnailCache;

// The Home dashboard: the catalog's source, how much of it is installed, a featured pack, what is
// new, the guide steps and the system status, over the full-window background. Read-only: it
// redraws whenever the catalog or the records change, and its guide rows ask the window to show
// another section.
class HomeView : public QWidget {
    Q_OBJECT

public:
    // Called with a section's raw value: "plugins", "installed" or "settings".
    using NavigateCallback = std::function<void(const QString& section)>;

    HomeView(catalog::CatalogService& catalogService,
             catalog::InstalledPackageStore& installedStore, ThumbnailCache& thumbnailCache,
             NavigateCallback onNavigate = {},
             RandomIndexSource randomIndex = systemRandomIndexSource(), QWidget* parent = nullptr);

    const std::optional<QString>& featuredPackageID() const { return m_featuredPackageID; }
    // Rebuilds the content from the services' current state.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeContent(const HomeLayout& layout, double contentWidth);
    QWidget* makeHeroCard(const HomeLayout& layout);
    QWidget* makeStatGrid(const HomeLayout& layout, const CatalogCoverage& coverage);
    QWidget* makeFeaturedCard(const catalog::PackageManifest& package, double contentWidth);
    QWidget* makeWhatsNew(const HomeLayout& layout,
                          const QList<catalog::PackageManifest>& packages);
    QWidget* makeCardGrid(const HomeLayout& layout, const CatalogCoverage& coverage);
    QWidget* makeQuickActionsCard();
    QWidget* makeSystemStatusCard(const CatalogCoverage& coverage);
    void pickFeaturedPackageIfNeeded();
    void navigate(const std::optional<QString>& destination) const;
    double contentWidth() const;

    catalog::CatalogService& m_catalogService;
    catalog::InstalledPackageStore& m_installedStore;
    ThumbnailCache& m_thumbnailCache;
    NavigateCallback m_onNavigate;
    RandomIndexSource m_randomIndex;
    std::optional<QString> m_featuredPackageID;

    QScrollArea* m_scrollArea = nullptr;
    // Its width follows the content width at every resize.
    QPointer<QWidget> m_featuredPane;
    // What the current content was laid out for; a resize that keeps it needs no rebuild.
    std::optional<HomeLayout> m_builtLayout;
};

} // namespace marlox::ui
