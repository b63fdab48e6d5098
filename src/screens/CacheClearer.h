#pragma once

#include <QFuture>
#include <QObject>

namespace marlox::catalog {
class CatalogService;
}

namespace marlox::ui {
class ThumbnailCache;
}

namespace marlox::screens {

// Clears the support folder's Cache for the Settings screen, without holding up the main thread:
// the thumbnails' downloads are cancelled and the catalog's cached copy is written out first, so
// that none of them writes into the folder while it goes, then the folder is removed and made
// again on a worker thread. One instance, made by the application, so that every Settings screen
// of every window sees the same clearing.
class CacheClearer final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isClearing READ isClearing NOTIFY isClearingChanged)

public:
    CacheClearer(catalog::CatalogService& catalogService, ui::ThumbnailCache& thumbnailCache,
                 QObject* parent = nullptr);

    bool isClearing() const { return m_isClearing; }

    // Starts clearing unless a clearing runs already; the future finishes once the Cache stands
    // empty again. Callers make sure no install, removal or bulk reinstall is running.
    QFuture<void> clear();

signals:
    void isClearingChanged();

private:
    void setClearing(bool clearing);

    catalog::CatalogService& m_catalogService;
    ui::ThumbnailCache& m_thumbnailCache;
    bool m_isClearing = false;
    QFuture<void> m_clearing;
};

} // namespace marlox::screens
