#pragma once

#include "support/AwaitFuture.h"
#include "support/LoopbackHttpServer.h"
#include "support/WidgetTesting.h"
#include "ui/kit/ThumbnailCache.h"

#include <QBuffer>
#include <QDir>
#include <QImage>

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

// A thumbnail cache on a folder of the scratch home, and a loopback server to fetch from.
class ThumbnailTest : public WidgetTest {
protected:
    std::unique_ptr<ui::ThumbnailCache> makeCache(qreal screenScale = 1) {
        return std::make_unique<ui::ThumbnailCache>(std::make_shared<platform::NetworkHttpClient>(),
                                                    folder(), screenScale);
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
