#pragma once

#include "ui/home/HomeDashboard.h"

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
// new, the guide steps and the system status, over the full-window background. Read-only: it is
// built when first shown, once its featured pack is picked, and redraws once for all the changes
// of the catalog or the records that one turn of the event loop brings; its guide rows ask the
// window to show another section.
class HomeView : public QWidget {
    Q_OBJECT

public:
    // Called with a section's raw value: "plugins", "installed" or "settings".
    using NavigateCallback = std::function<void(const QString& section)>;

    // `summaryCache` is the window's, kept across the Home screens it builds.
    HomeView(catalog::CatalogService& catalogService,
             catalog::InstalledPackageStore& installedStore, ThumbnailCache& thumbnailCache,
             HomeSummaryCache& summaryCache, NavigateCallback onNavigate = {},
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
    void scheduleRefresh();
    void pickFeaturedPackageIfNeeded();
    void navigate(const std::optional<QString>& destination) const;
    double contentWidth() const;

    catalog::CatalogService& m_catalogService;
    catalog::InstalledPackageStore& m_installedStore;
    ThumbnailCache& m_thumbnailCache;
    HomeSummaryCache& m_summaryCache;
    NavigateCallback m_onNavigate;
    RandomIndexSource m_randomIndex;
    std::optional<QString> m_featuredPackageID;

    QScrollArea* m_scrollArea = nullptr;
    // Its width follows the content width at every resize.
    QPointer<QWidget> m_featuredPane;
    // What the current content was laid out for, none before it is first built; a resize that
    // keeps it needs no rebuild.
    std::optional<HomeLayout> m_builtLayout;
    bool m_refreshScheduled = false;
};

} // namespace marlox::ui
