#pragma once

#include "platform/HttpClient.h"
#include "platform/SerialExecutor.h"

#include <QCache>
#include <QFuture>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QPromise>
#include <QString>
#include <QThreadPool>
#include <QUrl>

#include <atomic>
#include <memory>
#include <optional>

namespace marlox::ui {

// The decoded thumbnails of the process, at most 128, keyed by the requested URL (its exact
// text: letter case and query count). Written by the thumbnail cache's worker, read by views on
// the main thread to show an image at once; safe for both.
class ThumbnailMemoryCache {
public:
    static constexpr int countLimit = 128;

    // A null image when the URL has none.
    QImage image(const QUrl& url) const;
    // May drop other entries to stay within the limit.
    void insert(const QUrl& url, const QImage& image);

private:
    mutable QMutex m_mutex;
    mutable QCache<QUrl, QImage> m_images{countLimit}; // a lookup refreshes the entry
};

// Serves package thumbnails from memory, then from the folder Cache/thumbnails, then from the
// network, where at most one download per URL runs and every caller asking for that URL while it
// runs gets its answer. It never reports an error: an answer is an image or a null image.
//
// One instance, made by the application object and handed to every view that shows thumbnails.
// Its work runs one job at a time on a worker of its own, never on the main thread; transfers
// run beside it. A caller that goes away does not stop a download: the caches are still filled.
//
// Only http, https and file URLs are served. A file URL is read and kept in memory, never copied
// into the folder. A body over 20 MiB or an image over 8,000 pixels on either side is refused
// without being decoded whole. A download is stored, atomically, only once it has decoded, under
// the SHA-256 of the URL; a stored file that does not decode counts as absent.
class ThumbnailCache final {
public:
    static constexpr qint64 maximumBodyBytes = 20 * 1024 * 1024;
    static constexpr int maximumImageSide = 8000;

    // The folder defaults to <application support>/Cache/thumbnails.
    explicit ThumbnailCache(std::shared_ptr<platform::HttpClient> httpClient,
                            QString folder = defaultFolder());
    // Waits for the downloads under way.
    ~ThumbnailCache();

    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    static QString defaultFolder();
    // "<64 lower-case hexadecimal digits of the SHA-256 of the URL's text>.png".
    static QString diskFileName(const QUrl& url);

    // Continue with .then(context, ...) to take the answer on the main thread.
    QFuture<QImage> image(const QUrl& url);

    const ThumbnailMemoryCache& memoryCache() const { return m_memory; }
    const QString& folder() const { return m_folder; }

    // Ends the downloads under way: their callers get no image and nothing they fetched is
    // stored. The future finishes once their transfers have stopped, so that nothing of theirs is
    // written into the folder afterwards.
    QFuture<void> cancelDownloads();

    // Waits until every request and download given so far has ended. For tests.
    void waitForIdle();

private:
    using Waiter = std::shared_ptr<QPromise<QImage>>;
    struct Download {
        QList<Waiter> waiters;
        std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
    };

    // Everything below runs on m_worker.
    void lookUp(const QUrl& url, const Waiter& waiter);
    void startDownload(const QUrl& url, const std::shared_ptr<const std::atomic<bool>>& cancelled);
    void finishDownload(const QUrl& url, const std::optional<QByteArray>& body);
    QImage storeDownload(const QUrl& url, const QByteArray& body);
    // Finishes the cancellations whose downloads have all ended.
    void settleCancellations();

    std::shared_ptr<platform::HttpClient> m_httpClient;
    QString m_folder;
    ThumbnailMemoryCache m_memory;
    // The downloads under way with their callers, and the cancellations waiting for downloads
    // to end; only touched on m_worker.
    QHash<QUrl, Download> m_inFlight;
    QList<std::shared_ptr<QPromise<void>>> m_cancellations;
    platform::SerialExecutor m_worker;
    QThreadPool m_transfers;
};

} // namespace marlox::ui
