#include "CacheClearer.h"

#include "catalog/CatalogService.h"
#include "platform/BackgroundWork.h"
#include "platform/LifetimeBound.h"
#include "screens/Maintenance.h"
#include "ui/ThumbnailCache.h"

#include <QtConcurrent/QtConcurrentRun>

namespace marlox::screens {

CacheClearer::CacheClearer(catalog::CatalogService& catalogService,
                           ui::ThumbnailCache& thumbnailCache, QObject* parent)
    : QObject(parent), m_catalogService(catalogService), m_thumbnailCache(thumbnailCache) {}

QFuture<void> CacheClearer::clear() {
    if (m_isClearing) {
        return m_clearing;
    }
    setClearing(true);
    const QFuture<void> catalogWritten = m_catalogService.cacheWritesFinished();
    m_clearing = m_thumbnailCache.cancelDownloads()
                     .then([catalogWritten] { return catalogWritten; })
                     .unwrap()
                     .then(platform::utilityThreadPool(), [] { clearCache(); });
    platform::whenFinished(*this, m_clearing, [this] { setClearing(false); });
    return m_clearing;
}

void CacheClearer::setClearing(bool clearing) {
    m_isClearing = clearing;
    emit isClearingChanged();
}

} // namespace marlox::screens
