#pragma once

#include "support/AwaitFuture.h"
#include "support/LoopbackHttpServer.h"
#include "support/WidgetTesting.h"
#include "ui/kit/ThumbnailCache.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QMutex>
#include <QPromise>

#include <algorithm>
#include <memory>

namespace marlox::testing {

// An image of one colour, encoded in the format.
inline QByteArray encodedImage(QSize size, QColor color, const char* format = "PNG") {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

// An HTTP client that opens no connection: each fetch is held until the test answers it or it is
// cancelled, so that a test sees which transfers its caller has under way at once.
class HeldFetches final : public platform::HttpClient {
public:
    using Outcome = Result<platform::HttpDownload, platform::HttpTransportError>;

    Result<platform::HttpResponse, platform::HttpTransportError>
    get(const platform::HttpGetRequest&, QIODevice&) override {
        return platform::HttpTransportError{"Only fetches are held."};
    }
    QFuture<Outcome> fetch(const platform::HttpGetRequest& request, qint64) override {
        auto promise = std::make_shared<QPromise<Outcome>>();
        promise->start();
        const QFuture<Outcome> future = promise->future();
        {
            QMutexLocker lock(&m_mutex);
            m_held.append({request.url, promise, request.cancellation});
            m_mostAtOnce = std::max(m_mostAtOnce, m_held.size());
            ++m_fetchCount;
        }
        const auto cancelled = [this, promise] {
            end(promise, platform::HttpTransportError{"The transfer was cancelled."});
        };
        if (request.cancellation && !request.cancellation->enroll(promise.get(), cancelled)) {
            cancelled();
        }
        return future;
    }
    void abortTransfers() override {}

    // The URLs of the fetches held now, in the order they were asked for.
    QList<QUrl> held() const {
        QMutexLocker lock(&m_mutex);
        QList<QUrl> urls;
        for (const Held& fetch : m_held) {
            urls.append(fetch.url);
        }
        return urls;
    }
    qsizetype mostAtOnce() const {
        QMutexLocker lock(&m_mutex);
        return m_mostAtOnce;
    }
    int fetchCount() const {
        QMutexLocker lock(&m_mutex);
        return m_fetchCount;
    }
    // Ends the held fetch of the URL with a 200 answer carrying the body.
    void answer(const QUrl& url, const QByteArray& body) {
        Held fetch;
        {
            QMutexLocker lock(&m_mutex);
            const auto found = std::find_if(m_held.begin(), m_held.end(),
                                            [&](const Held& held) { return held.url == url; });
            ASSERT_NE(found, m_held.end()) << url.toString().toStdString();
            fetch = *found;
        }
        // Outside the lock, which a cancellation takes while it holds its own.
        if (fetch.cancellation) {
            fetch.cancellation->withdraw(fetch.promise.get());
        }
        end(fetch.promise, platform::HttpDownload{200, body});
    }

private:
    struct Held {
        QUrl url;
        std::shared_ptr<QPromise<Outcome>> promise;
        std::shared_ptr<platform::HttpCancellation> cancellation;
    };

    void end(const std::shared_ptr<QPromise<Outcome>>& promise, const Outcome& outcome) {
        {
            QMutexLocker lock(&m_mutex);
            const auto found = std::find_if(m_held.begin(), m_held.end(), [&](const Held& fetch) {
                return fetch.promise == promise;
            });
            if (found == m_held.end()) {
                return;
            }
            m_held.erase(found);
        }
        // Outside the lock: the caller's continuations run here.
        promise->addResult(outcome);
        promise->finish();
    }

    mutable QMutex m_mutex;
    QList<Held> m_held;
    qsizetype m_mostAtOnce = 0;
    int m_fetchCount = 0;
};

// A thumbnail cache on a folder of the scratch home, and a loopback server to fetch from.
class ThumbnailTest : public WidgetTest {
protected:
    std::unique_ptr<ui::ThumbnailCache>
    makeCache(qreal screenScale = 1, std::shared_ptr<platform::HttpClient> httpClient =
                                         std::make_shared<platform::NetworkHttpClient>()) {
        return std::make_unique<ui::ThumbnailCache>(std::move(httpClient), folder(), screenScale);
    }
    // Answers once the cache's worker has taken in every request and ended transfer given it so
    // far: a request that worker answers itself comes after them.
    void waitForTheWorker(ui::ThumbnailCache& cache) {
        EXPECT_TRUE(imageFrom(cache, QUrl::fromLocalFile(home.filePath("no-such.png"))).isNull());
    }
    // Serves the body at the path and gives its URL.
    QUrl serve(const QString& path, const QByteArray& body, int status = 200, bool held = false) {
        HttpAnswer answer{status, body, {}, {}};
        answer.held = held;
        server.setAnswer(path, answer);
        return server.url(path);
    }
    static QImage imageFrom(ui::ThumbnailCache& cache, const QUrl& url) {
        const QFuture<QImage> future = cache.image(url);
        EXPECT_TRUE(awaitFuture(future));
        return future.isFinished() ? future.result() : QImage();
    }
    QString folder() const { return home.filePath("Cache/thumbnails"); }
    QStringList storedFiles() const { return QDir(folder()).entryList(QDir::Files | QDir::Hidden); }
    QString storedPath(const QUrl& url) const {
        return folder() + "/" + ui::ThumbnailCache::diskFileName(url);
    }

    LoopbackHttpServer server;
    const QColor red = QColor(255, 0, 0);
    const QColor blue = QColor(0, 0, 255);
};

} // namespace marlox::testing
