#pragma once

#include "catalog/CacheWrites.h"

#include <QFuture>
#include <QObject>

#include <memory>

namespace marlox::ui {
class ThumbnailCache;
}

namespace marlox::screens {

// Clears the support folder's Cache for the Settings screen, without holding up the main thread:
// from the moment it starts, the writes of the catalog and the thumbnails (through the
// `cacheWrites` they share with it) are held until the folder stands empty again, and the
// thumbnails' downloads are cancelled; once they have stopped, the folder is removed and made
// again on a worker thread. One instance, made by the application, so that every Settings screen
// of every window sees the same clearing.
class CacheClearer final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isClearing READ isClearing NOTIFY isClearingChanged)

public:
    CacheClearer(ui::ThumbnailCache& thumbnailCache,
                 std::shared_ptr<catalog::CacheWrites> cacheWrites, QObject* parent = nullptr);

    bool isClearing() const { return m_isClearing; }

    // Starts clearing unless a clearing runs already; the future finishes once the Cache stands
    // empty again. Callers make sure no install, removal or bulk reinstall is running.
    QFuture<void> clear();

signals:
    void isClearingChanged();

private:
    void setClearing(bool clearing);

    ui::ThumbnailCache& m_thumbnailCache;
    std::shared_ptr<catalog::CacheWrites> m_cacheWrites;
    bool m_isClearing = false;
    QFuture<void> m_clearing;
};

} // namespace marlox::screens
