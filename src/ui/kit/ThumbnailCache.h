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
#include <QUrl>
#include <QWaitCondition>

#include <functional>
#include <memory>
#include <optional>

namespace marlox::ui {

// The decoded thumbnails of the process, keyed by the requested URL (its exact text: letter case
// and query count), within a budget of 64 MiB counted by each image's bytes. Written by the
// thumbnail cache's worker, read by views on the main thread to show an image at once; safe for
// both.
class ThumbnailMemoryCache {
public:
    static constexpr qsizetype byteBudget = 64 * 1024 * 1024;

    // A null image when the URL has none.
    QImage image(const QUrl& url) const;
    // Drops the entries used longest ago to stay within the budget.
    void insert(const QUrl& url, const QImage& image);
    // The bytes of the images held.
    qsizetype heldBytes() const;

private:
    mutable QMutex m_mutex;
    mutable QCache<QUrl, QImage> m_images{byteBudget}; // a lookup refreshes the entry
};

// Serves package thumbnails from memory, then from the folder Cache/thumbnails, then from the
// network, where at most one download per URL runs and every caller asking for that URL while it
// runs gets its answer. It never reports an error: an answer is an image or a null image.
//
// One instance, made by the application object and handed to every view that shows thumbnails.
// Its work runs one job at a time on a worker of its own, never on the main thread; transfers
// run beside it without a thread each, at most six per server and 24 in all at once, of which the
// last six only a server with nothing running may take. The rest wait with the servers taking
// turns, so that slow servers, or one with hundreds of thumbnails, hold back only their own: a
// server's first thumbnail starts at once unless nine others or more have transfers running. A
// caller that goes away does not stop a download: the caches are still filled. The cache itself
// going away ends its downloads at once.
//
// Only http, https and file URLs are served. A file URL is read and kept in memory, never copied
// into the folder. A body over 20 MiB or an image over 8,000 pixels on either side is refused
// without being decoded whole. An image is decoded no larger than the largest view shows it:
// fitted into 640 points square at the screen's scale. A download is stored, atomically, only
// once it has decoded, under the SHA-256 of the URL, as it came; a stored file that does not
// decode counts as absent.
class ThumbnailCache final {
public:
    static constexpr qint64 maximumBodyBytes = 20 * 1024 * 1024;
    static constexpr int maximumImageSide = 8000;
    // The package detail sheet, the widest view, shows a thumbnail about 620 points wide.
    static constexpr int maximumShownSide = 640;
    // As browsers limit the connections to one server.
    static constexpr int downloadsPerServer = 6;
    // Each may hold up to maximumBodyBytes until it ends.
    static constexpr int downloadsAtOnce = 24;
    // Of downloadsAtOnce, the transfers a server already transferring may not take: slow servers
    // holding the rest leave them to servers with nothing running. Three servers still get six
    // each, and at least nine must be transferring before a newcomer waits.
    static constexpr int keptForNewServers = 6;

    // Makes one write into the folder, at once or later: whoever makes the cache may hold its
    // writes for a while (the application does while it clears its cache folder).
    using FolderWriter = std::function<void(const std::function<void()>& write)>;

    // Downloads are kept in `folder`; `screenScale` is the most device pixels a point takes on
    // any screen. Files are written through `writeIntoFolder`, without one at once.
    ThumbnailCache(std::shared_ptr<platform::HttpClient> httpClient, QString folder,
                   qreal screenScale = 1, FolderWriter writeIntoFolder = {});
    // Ends the downloads under way, without waiting for their servers.
    ~ThumbnailCache();

    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // "<64 lower-case hexadecimal digits of the SHA-256 of the URL's text>.png".
    static QString diskFileName(const QUrl& url);

    // Continue with platform::continueOn(context, ...) to take the answer on the main thread. The
    // future is cancelled when cancelDownloads() ended its download: ask again to have it.
    QFuture<QImage> image(const QUrl& url);

    const ThumbnailMemoryCache& memoryCache() const { return m_memory; }
    const QString& folder() const { return m_folder; }

    // Ends the downloads under way and queued: nothing they fetched is stored, and their callers'
    // futures are cancelled, so that a view still showing one asks again; a request from now on
    // downloads anew. The future finishes once their transfers have stopped, so that nothing of
    // theirs is written into the folder afterwards.
    QFuture<void> cancelDownloads();

    // Blocks until every request and download given so far has ended, however long their servers
    // take: the cache's end waits so once it has cancelled them, and tests before they look at
    // what was shown or stored.
    void waitForIdle();

private:
    using Waiter = std::shared_ptr<QPromise<QImage>>;
    struct Download {
        QUrl url;
        QString server;
        QList<Waiter> waiters;
        // Ends its transfer, from the worker, whether running or still queued.
        std::shared_ptr<platform::HttpCancellation> cancellation =
            std::make_shared<platform::HttpCancellation>();
    };
    using DownloadHandle = std::shared_ptr<Download>;
    // One server's share of the transfers.
    struct Server {
        int running = 0;
        QList<DownloadHandle> queued;
        // The number of the latest start it was given, counted over all servers; 0 before one.
        quint64 latestStart = 0;
    };

    // Everything below runs on m_worker.
    void lookUp(const QUrl& url, const Waiter& waiter);
    // Queues the download behind its server's others, then starts what the bounds allow.
    void requestDownload(const DownloadHandle& download);
    // Starts queued downloads while the bounds allow, the servers taking turns.
    void startQueued();
    bool mayStartAnother(const Server& server) const;
    void startDownload(const DownloadHandle& download);
    void finishDownload(const DownloadHandle& download, const std::optional<QByteArray>& body);
    QImage storeDownload(const QUrl& url, const QByteArray& body);
    // Cancels every download under way or queued.
    void cancelInFlight();
    // Its callers ask again, unless the cache is going.
    void answerCancelled(const Download& download);
    // Finishes the cancellations whose downloads have all ended.
    void settleCancellations();

    std::shared_ptr<platform::HttpClient> m_httpClient;
    QString m_folder;
    FolderWriter m_writeIntoFolder;
    // The longest side an image is decoded to, in pixels.
    int m_decodedSide;
    ThumbnailMemoryCache m_memory;
    // Only touched on m_worker: the download of each URL that a new caller joins, running or
    // queued; the servers with downloads running or queued; the transfers running, and how many
    // of them were cancelled; the starts given so far; and the cancellations waiting for the
    // cancelled transfers to end.
    QHash<QUrl, DownloadHandle> m_inFlight;
    QHash<QString, Server> m_servers;
    int m_running = 0;
    int m_cancelledRunning = 0;
    quint64 m_starts = 0;
    QList<std::shared_ptr<QPromise<void>>> m_cancellations;
    // Set once the cache is going: nothing new is downloaded.
    bool m_closing = false;
    // Started and not yet finished, changed on m_worker and waited for by waitForIdle().
    QMutex m_idleMutex;
    QWaitCondition m_downloadEnded;
    int m_downloadsUnderWay = 0;
    platform::SerialExecutor m_worker;
};

} // namespace marlox::ui
