#include "CacheClearer.h"

#include "platform/BackgroundWork.h"
#include "platform/Continuation.h"
#include "screens/settings/Maintenance.h"
#include "ui/kit/ThumbnailCache.h"

namespace marlox::screens {

CacheClearer::CacheClearer(ui::ThumbnailCache& thumbnailCache,
                           std::shared_ptr<catalog::CacheWrites> cacheWrites, QObject* parent)
    : QObject(parent), m_thumbnailCache(thumbnailCache), m_cacheWrites(std::move(cacheWrites)) {}

QFuture<void> CacheClearer::clear() {
    if (m_isClearing) {
        return m_clearing;
    }
    setClearing(true);
    // A catalog reload or a thumbnail that ends from now on writes into the Cache made afresh.
    m_cacheWrites->holdWrites();
    m_clearing = m_thumbnailCache.cancelDownloads().then(
        platform::utilityThreadPool(),
        [cacheWrites = m_cacheWrites] { cacheWrites->clearThenRelease(clearCache); });
    platform::continueOn(*this, m_clearing, [this] { setClearing(false); });
    return m_clearing;
}

void CacheClearer::setClearing(bool clearing) {
    m_isClearing = clearing;
    emit isClearingChanged();
}

} // namespace marlox::screens
