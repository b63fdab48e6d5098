#include "ui/kit/ThumbnailCache.h"

#include "base/FileSystem.h"
#include "base/Sha256.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QImageReader>
#include <QMutexLocker>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace marlox::ui {
namespace {

bool isServedScheme(const QUrl& url) {
    if (!url.isValid()) {
        return false;
    }
    const QString scheme = url.scheme();
    return scheme == u"http" || scheme == u"https" || url.isLocalFile();
}

// The image's size is read from its header first, so that a huge image is refused before its
// pixels are allocated, and one larger than any view shows it is scaled down as it is decoded
// (by formats that can) or at once after.
QImage decodeThumbnail(QIODevice& device, int decodedSide) {
    QImageReader reader(&device);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > ThumbnailCache::maximumImageSide ||
        size.height() > ThumbnailCache::maximumImageSide) {
        return {};
    }
    if (size.width() > decodedSide || size.height() > decodedSide) {
        // A sliver keeps a pixel of its thin side.
        reader.setScaledSize(
            size.scaled(decodedSide, decodedSide, Qt::KeepAspectRatio).expandedTo({1, 1}));
    }
    QImage image;
    return reader.read(&image) ? image : QImage();
}

QImage decodeThumbnail(const QByteArray& bytes, int decodedSide) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodeThumbnail(buffer, decodedSide);
}

QImage decodeThumbnailFile(const QString& path, int decodedSide) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > ThumbnailCache::maximumBodyBytes) {
        return {};
    }
    return decodeThumbnail(file, decodedSide);
}

// No thumbnail is worth waiting for longer, however steadily its bytes come.
constexpr auto thumbnailDeadline = std::chrono::seconds(60);

// The server a download goes to; each has its own share of the transfers.
QString serverOf(const QUrl& url) {
    return url.scheme() + QLatin1String("://") + url.host() + QLatin1Char(':') +
           QString::number(url.port(url.scheme() == u"https" ? 443 : 80));
}

// The body of a 2xx answer; nothing for any other answer, a failed transfer or a body too large.
QFuture<std::optional<QByteArray>>
fetch(platform::HttpClient& client, const QUrl& url,
      const std::shared_ptr<platform::HttpCancellation>& cancellation) {
    platform::HttpGetRequest request{url};
    request.deadline = thumbnailDeadline;
    request.cancellation = cancellation;
    return client.fetch(request, ThumbnailCache::maximumBodyBytes)
        .then([](const Result<platform::HttpDownload, platform::HttpTransportError>& fetched)
                  -> std::optional<QByteArray> {
            if (!fetched || !fetched->statusCode || *fetched->statusCode < 200 ||
                *fetched->statusCode >= 300) {
                return std::nullopt;
            }
            return fetched->body;
        });
}

void answer(QPromise<QImage>& promise, const QImage& image) {
    promise.addResult(image);
    promise.finish();
}

} // namespace

QImage ThumbnailMemoryCache::image(const QUrl& url) const {
    QMutexLocker lock(&m_mutex);
    const QImage* image = m_images.object(url);
    return image ? *image : QImage();
}

void ThumbnailMemoryCache::insert(const QUrl& url, const QImage& image) {
    QMutexLocker lock(&m_mutex);
    m_images.insert(url, new QImage(image), image.sizeInBytes());
}

qsizetype ThumbnailMemoryCache::heldBytes() const {
    QMutexLocker lock(&m_mutex);
    return m_images.totalCost();
}

ThumbnailCache::ThumbnailCache(std::shared_ptr<platform::HttpClient> httpClient, QString folder,
                               qreal screenScale, FolderWriter writeIntoFolder)
    : m_httpClient(std::move(httpClient)), m_folder(std::move(folder)),
      m_writeIntoFolder(writeIntoFolder ? std::move(writeIntoFolder)
                                        : [](const std::function<void()>& write) { write(); }),
      m_decodedSide(static_cast<int>(std::ceil(maximumShownSide * std::max(screenScale, 1.0)))) {
    // A failure shows later as files that cannot be read or written.
    base::createFolder(m_folder);
}

ThumbnailCache::~ThumbnailCache() {
    // Quitting never waits on a server: what is under way ends now, and nothing queued starts.
    m_worker.run([this] {
        m_closing = true;
        cancelInFlight();
    });
    waitForIdle();
}

void ThumbnailCache::waitForIdle() {
    // Requests may start transfers, and transfers end in a job of the worker, which may start a
    // queued one before it counts its own as ended.
    m_worker.waitForIdle();
    QMutexLocker lock(&m_idleMutex);
    while (m_downloadsUnderWay > 0) {
        m_downloadEnded.wait(&m_idleMutex);
    }
    lock.unlock();
    m_worker.waitForIdle();
}

QString ThumbnailCache::diskFileName(const QUrl& url) {
    const QByteArray digest = QCryptographicHash::hash(url.toEncoded(), QCryptographicHash::Sha256);
    return base::sha256HexString(digest) + QLatin1String(".png");
}

QFuture<QImage> ThumbnailCache::image(const QUrl& url) {
    // Each caller has a future of its own: a future carries one continuation only.
    auto waiter = std::make_shared<QPromise<QImage>>();
    QFuture<QImage> future = waiter->future();
    waiter->start();
    if (!isServedScheme(url)) {
        answer(*waiter, QImage());
    } else {
        m_worker.run([this, url, waiter] { lookUp(url, waiter); });
    }
    return future;
}

void ThumbnailCache::lookUp(const QUrl& url, const Waiter& waiter) {
    if (QImage image = m_memory.image(url); !image.isNull()) {
        return answer(*waiter, image);
    }
    if (!url.isLocalFile()) {
        const QImage stored =
            decodeThumbnailFile(m_folder + u'/' + diskFileName(url), m_decodedSide);
        if (!stored.isNull()) {
            m_memory.insert(url, stored);
            return answer(*waiter, stored);
        }
    }
    if (url.isLocalFile()) {
        const QImage image = decodeThumbnailFile(url.toLocalFile(), m_decodedSide);
        if (!image.isNull()) {
            m_memory.insert(url, image);
        }
        return answer(*waiter, image);
    }
    if (m_closing) {
        return answer(*waiter, QImage());
    }
    DownloadHandle& download = m_inFlight[url];
    if (!download) {
        download = std::make_shared<Download>(Download{url, serverOf(url), {waiter}});
        requestDownload(download);
    } else {
        download->waiters.append(waiter);
    }
}

void ThumbnailCache::requestDownload(const DownloadHandle& download) {
    m_servers[download->server].queued.append(download);
    startQueued();
}

void ThumbnailCache::startQueued() {
    while (m_running < downloadsAtOnce) {
        // The turn goes to the server whose latest start is oldest: one with hundreds queued
        // takes its next only after every other waiting server has taken one.
        Server* next = nullptr;
        for (Server& server : m_servers) {
            if (!server.queued.isEmpty() && mayStartAnother(server) &&
                (next == nullptr || server.latestStart < next->latestStart)) {
                next = &server;
            }
        }
        if (next == nullptr) {
            return;
        }
        next->latestStart = ++m_starts;
        ++next->running;
        ++m_running;
        startDownload(next->queued.takeFirst());
    }
}

bool ThumbnailCache::mayStartAnother(const Server& server) const {
    const int bound = server.running == 0 ? downloadsAtOnce : downloadsAtOnce - keptForNewServers;
    return m_running < bound && server.running < downloadsPerServer;
}

void ThumbnailCache::startDownload(const DownloadHandle& download) {
    {
        QMutexLocker lock(&m_idleMutex);
        ++m_downloadsUnderWay;
    }
    // No thread waits on the server: a slow one holds back only its own downloads.
    fetch(*m_httpClient, download->url, download->cancellation)
        .then([this, download](const std::optional<QByteArray>& body) {
            m_worker.run([this, download, body] { finishDownload(download, body); });
        });
}

void ThumbnailCache::finishDownload(const DownloadHandle& download,
                                    const std::optional<QByteArray>& body) {
    if (download->cancellation->isCancelled()) {
        // Taken out of m_inFlight when it was cancelled.
        --m_cancelledRunning;
        answerCancelled(*download);
    } else {
        // Gone before the waiting callers resume, so that a caller that comes after them asks
        // anew.
        m_inFlight.remove(download->url);
        const QImage image = body ? storeDownload(download->url, *body) : QImage();
        for (const Waiter& waiter : download->waiters) {
            answer(*waiter, image);
        }
    }
    // Its server's share and its place among all transfers pass to the next in turn. A server
    // keeps its entry while it has a transfer running; were it gone, the place is still given
    // back, so that the bound never shrinks.
    --m_running;
    const auto server = m_servers.find(download->server);
    Q_ASSERT(server != m_servers.end());
    if (server != m_servers.end() && --server->running == 0 && server->queued.isEmpty()) {
        m_servers.erase(server);
    }
    startQueued();
    settleCancellations();
    QMutexLocker lock(&m_idleMutex);
    --m_downloadsUnderWay;
    m_downloadEnded.wakeAll();
}

QFuture<void> ThumbnailCache::cancelDownloads() {
    auto cancellation = std::make_shared<QPromise<void>>();
    QFuture<void> future = cancellation->future();
    cancellation->start();
    m_worker.run([this, cancellation] {
        cancelInFlight();
        m_cancellations.append(cancellation);
        settleCancellations();
    });
    return future;
}

void ThumbnailCache::cancelInFlight() {
    // A queued download ends here, without a transfer.
    for (auto server = m_servers.begin(); server != m_servers.end();) {
        for (const DownloadHandle& download : std::exchange(server->queued, {})) {
            download->cancellation->cancel();
            m_inFlight.remove(download->url);
            answerCancelled(*download);
        }
        server = server->running == 0 ? m_servers.erase(server) : std::next(server);
    }
    // One running ends once its transfer has stopped; a request from now on downloads anew.
    for (const DownloadHandle& download : std::exchange(m_inFlight, {})) {
        download->cancellation->cancel();
        ++m_cancelledRunning;
    }
}

void ThumbnailCache::answerCancelled(const Download& download) {
    for (const Waiter& waiter : download.waiters) {
        if (m_closing) {
            answer(*waiter, QImage());
        } else {
            waiter->future().cancel();
            waiter->finish();
        }
    }
}

void ThumbnailCache::settleCancellations() {
    // Downloads started after a cancellation do not hold it up.
    if (m_cancelledRunning > 0) {
        return;
    }
    for (const auto& cancellation : std::exchange(m_cancellations, {})) {
        cancellation->finish();
    }
}

QImage ThumbnailCache::storeDownload(const QUrl& url, const QByteArray& body) {
    const QImage image = decodeThumbnail(body, m_decodedSide);
    if (image.isNull()) {
        return image;
    }
    m_writeIntoFolder([folder = m_folder, name = diskFileName(url), body] {
        // Made again each time: clearing the cache deletes the folder while the application runs.
        base::createFolder(folder);
        // A picture that cannot be kept is downloaded again next time.
        (void)base::saveWholeFile(folder + u'/' + name, body);
    });
    m_memory.insert(url, image);
    return image;
}

} // namespace marlox::ui
