#include "ui/ThumbnailCache.h"

#include "base/FileSystem.h"
#include "base/Sha256.h"
#include "catalog/Environment.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QImageReader>
#include <QMutexLocker>
#include <QSaveFile>

#include <algorithm>
#include <utility>

namespace marlox::ui {
namespace {

// Takes bytes up to a limit and refuses the write that would pass it, which ends the transfer.
class BoundedBuffer final : public QIODevice {
public:
    explicit BoundedBuffer(qint64 limit) : m_limit(limit) { open(QIODevice::WriteOnly); }
    const QByteArray& bytes() const { return m_bytes; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        if (m_bytes.size() + length > m_limit) {
            setErrorString(QStringLiteral("The thumbnail is larger than allowed."));
            return -1;
        }
        m_bytes.append(data, length);
        return length;
    }

private:
    qint64 m_limit;
    QByteArray m_bytes;
};

bool isServedScheme(const QUrl& url) {
    if (!url.isValid()) {
        return false;
    }
    const QString scheme = url.scheme();
    return scheme == u"http" || scheme == u"https" || url.isLocalFile();
}

// The image's size is read from its header first, so that a huge image is refused before its
// pixels are allocated.
QImage decodeThumbnail(QIODevice& device) {
    QImageReader reader(&device);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > ThumbnailCache::maximumImageSide ||
        size.height() > ThumbnailCache::maximumImageSide) {
        return {};
    }
    QImage image;
    return reader.read(&image) ? image : QImage();
}

QImage decodeThumbnail(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodeThumbnail(buffer);
}

QImage decodeThumbnailFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > ThumbnailCache::maximumBodyBytes) {
        return {};
    }
    return decodeThumbnail(file);
}

// The body of a 2xx answer; nothing for any other answer, a failed or cancelled transfer or a body
// too large.
std::optional<QByteArray> fetch(platform::HttpClient& client, const QUrl& url,
                                std::shared_ptr<const std::atomic<bool>> cancelled) {
    BoundedBuffer body(ThumbnailCache::maximumBodyBytes);
    platform::HttpGetRequest request{url};
    request.cancelled = std::move(cancelled);
    const auto response = client.get(request, body);
    if (!response || !response->statusCode || *response->statusCode < 200 ||
        *response->statusCode >= 300) {
        return std::nullopt;
    }
    return body.bytes();
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
    m_images.insert(url, new QImage(image));
}

ThumbnailCache::ThumbnailCache(std::shared_ptr<platform::HttpClient> httpClient, QString folder)
    : m_httpClient(std::move(httpClient)), m_folder(std::move(folder)) {
    // A failure shows later as files that cannot be read or written.
    base::createFolder(m_folder);
}

ThumbnailCache::~ThumbnailCache() {
    waitForIdle();
}

void ThumbnailCache::waitForIdle() {
    // Requests may start transfers, and transfers end in a job of the worker.
    m_worker.waitForIdle();
    m_transfers.waitForDone();
    m_worker.waitForIdle();
}

QString ThumbnailCache::defaultFolder() {
    return catalog::cacheDirectory() + QLatin1String("/thumbnails");
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
        const QImage stored = decodeThumbnailFile(m_folder + u'/' + diskFileName(url));
        if (!stored.isNull()) {
            m_memory.insert(url, stored);
            return answer(*waiter, stored);
        }
    }
    if (url.isLocalFile()) {
        const QImage image = decodeThumbnailFile(url.toLocalFile());
        if (!image.isNull()) {
            m_memory.insert(url, image);
        }
        return answer(*waiter, image);
    }
    Download& download = m_inFlight[url];
    download.waiters.append(waiter);
    if (download.waiters.size() == 1) {
        startDownload(url, download.cancelled);
    }
}

void ThumbnailCache::startDownload(const QUrl& url,
                                   const std::shared_ptr<const std::atomic<bool>>& cancelled) {
    m_transfers.start([this, url, cancelled] {
        std::optional<QByteArray> body = fetch(*m_httpClient, url, cancelled);
        m_worker.run([this, url, body = std::move(body)] { finishDownload(url, body); });
    });
}

void ThumbnailCache::finishDownload(const QUrl& url, const std::optional<QByteArray>& body) {
    // Gone before the waiting callers resume, so that a caller that comes after them asks anew.
    const Download download = m_inFlight.take(url);
    const QImage image = body && !*download.cancelled ? storeDownload(url, *body) : QImage();
    for (const Waiter& waiter : download.waiters) {
        answer(*waiter, image);
    }
    settleCancellations();
}

QFuture<void> ThumbnailCache::cancelDownloads() {
    auto cancellation = std::make_shared<QPromise<void>>();
    QFuture<void> future = cancellation->future();
    cancellation->start();
    m_worker.run([this, cancellation] {
        for (const Download& download : std::as_const(m_inFlight)) {
            *download.cancelled = true;
        }
        m_cancellations.append(cancellation);
        settleCancellations();
    });
    return future;
}

void ThumbnailCache::settleCancellations() {
    // Downloads started after a cancellation do not hold it up.
    const bool cancelledRemain =
        std::any_of(m_inFlight.cbegin(), m_inFlight.cend(),
                    [](const Download& download) { return download.cancelled->load(); });
    if (cancelledRemain) {
        return;
    }
    for (const auto& cancellation : std::exchange(m_cancellations, {})) {
        cancellation->finish();
    }
}

QImage ThumbnailCache::storeDownload(const QUrl& url, const QByteArray& body) {
    const QImage image = decodeThumbnail(body);
    if (image.isNull()) {
        return image;
    }
    // Made again each time: clearing the cache deletes the folder while the application runs.
    base::createFolder(m_folder);
    QSaveFile file(m_folder + u'/' + diskFileName(url));
    if (file.open(QIODevice::WriteOnly) && file.write(body) == body.size()) {
        file.commit();
    }
    m_memory.insert(url, image);
    return image;
}

} // namespace marlox::ui
