#include "ui/ThumbnailCache.h"

#include "ThumbnailTestSupport.h"
#include "catalog/Environment.h"
#include "support/QtPrinters.h"

#include <QCryptographicHash>
#include <QFile>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class ThumbnailCacheTest : public ThumbnailTest {};

TEST_F(ThumbnailCacheTest, TenCallersAtOnceCauseOneRequestAndShareOneImage) {
    const QUrl url = serve("/shared.png", encodedImage({8, 8}, red), 200, true);
    const auto cache = makeCache();
    QList<QFuture<QImage>> answers;
    for (int caller = 0; caller < 10; ++caller) {
        answers.append(cache->image(url));
    }
    ASSERT_TRUE(server.waitForRequestCount("/shared.png", 1));
    server.releaseHeldAnswers();
    for (const QFuture<QImage>& answer : answers) {
        ASSERT_TRUE(awaitFuture(answer));
        EXPECT_FALSE(answer.result().isNull());
        EXPECT_EQ(answer.result().cacheKey(), answers.first().result().cacheKey());
    }
    EXPECT_EQ(server.requestCount("/shared.png"), 1);
}

TEST_F(ThumbnailCacheTest, StoredBytesServeARestartWithoutARequest) {
    const QByteArray jpeg = encodedImage({16, 8}, blue, "JPEG");
    const QUrl url = serve("/photo.jpg", jpeg);
    EXPECT_FALSE(imageFrom(*makeCache(), url).isNull());
    const QString name = QString::fromLatin1(
        QCryptographicHash::hash(url.toEncoded(), QCryptographicHash::Sha256).toHex() + ".png");
    EXPECT_EQ(storedFiles(), QStringList({name}));
    EXPECT_EQ(readFile(storedPath(url)), jpeg);

    const QImage again = imageFrom(*makeCache(), url);
    EXPECT_EQ(again.size(), QSize(16, 8));
    EXPECT_EQ(server.requestCount("/photo.jpg"), 1);
}

TEST_F(ThumbnailCacheTest, RefusedAnswersGiveNothingWriteNothingAndAreNotRemembered) {
    QByteArray oversized = encodedImage({8, 8}, red);
    oversized.append(QByteArray(ThumbnailCache::maximumBodyBytes, '\0'));
    struct Case {
        const char* name;
        int status;
        QByteArray body;
    };
    const Case cases[] = {
        {"not found", 404, encodedImage({8, 8}, red)},
        {"not an image", 200, "<html>no image here</html>"},
        {"body over 20 MiB", 200, oversized},
        {"image wider than 8000", 200, encodedImage({8001, 1}, red)},
        {"image taller than 8000", 200, encodedImage({1, 8001}, red)},
    };
    const auto cache = makeCache();
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const QString path = QString("/%1.png").arg(QString(testCase.name).replace(' ', '-'));
        const QUrl url = serve(path, testCase.body, testCase.status);
        EXPECT_TRUE(imageFrom(*cache, url).isNull());
        EXPECT_TRUE(imageFrom(*cache, url).isNull());
        EXPECT_EQ(server.requestCount(path), 2);
    }
    EXPECT_TRUE(storedFiles().isEmpty());
}

TEST_F(ThumbnailCacheTest, CancelledDownloadStopsWithoutItsServerAndStoresNothing) {
    // GIVEN a download whose server holds its answer back
    const QUrl url = serve("/held.png", encodedImage({4, 4}, red), 200, true);
    const auto cache = makeCache();
    const QFuture<QImage> answer = cache->image(url);
    ASSERT_TRUE(server.waitForRequestCount("/held.png", 1));

    // WHEN the downloads are cancelled
    const QFuture<void> cancelled = cache->cancelDownloads();

    // THEN the cancellation ends while the answer is still held back, its caller got no image
    ASSERT_TRUE(awaitFuture(cancelled, std::chrono::seconds(10)));
    ASSERT_TRUE(answer.isFinished());
    EXPECT_TRUE(answer.result().isNull());
    EXPECT_TRUE(storedFiles().isEmpty());

    // AND the next request for the URL downloads it anew
    serve("/held.png", encodedImage({4, 4}, red));
    EXPECT_FALSE(imageFrom(*cache, url).isNull());
    EXPECT_EQ(server.requestCount("/held.png"), 2);
}

TEST_F(ThumbnailCacheTest, UrlsOfOtherSchemesAreNeverFetched) {
    const auto cache = makeCache();
    for (const char* url : {"javascript:alert(1)", "data:image/png;base64,iVBORw0KGgo=",
                            "ftp://127.0.0.1/a.png", "relative/thumb.png", ""}) {
        EXPECT_TRUE(imageFrom(*cache, QUrl(url)).isNull()) << url;
    }
    EXPECT_TRUE(storedFiles().isEmpty());
}

TEST_F(ThumbnailCacheTest, ThumbnailsAreStoredAgainAfterTheCacheFolderWasDeleted) {
    const auto cache = makeCache();
    EXPECT_FALSE(imageFrom(*cache, serve("/first.png", encodedImage({4, 4}, red))).isNull());
    ASSERT_TRUE(QDir(marlox::catalog::cacheDirectory()).removeRecursively());
    const QUrl second = serve("/second.png", encodedImage({4, 4}, blue));
    EXPECT_FALSE(imageFrom(*cache, second).isNull());
    EXPECT_EQ(storedFiles(), QStringList({ThumbnailCache::diskFileName(second)}));
}

TEST_F(ThumbnailCacheTest, CorruptStoredFileCountsAsAbsentAndTheDownloadReplacesIt) {
    const QByteArray png = encodedImage({6, 6}, blue);
    const QUrl url = serve("/thumb.png", png);
    writeFile(storedPath(url), "corrupt bytes");
    EXPECT_EQ(imageFrom(*makeCache(), url).pixelColor(3, 3), blue);
    EXPECT_EQ(server.requestCount("/thumb.png"), 1);
    EXPECT_EQ(readFile(storedPath(url)), png);
}

TEST_F(ThumbnailCacheTest, FileUrlIsReadButNeverCopiedIntoTheFolder) {
    writeFile(home.filePath("local.png"), encodedImage({5, 5}, red));
    const auto cache = makeCache();
    const QUrl local = QUrl::fromLocalFile(home.filePath("local.png"));
    EXPECT_EQ(imageFrom(*cache, local).pixelColor(2, 2), red);
    EXPECT_FALSE(cache->memoryCache().image(local).isNull());
    EXPECT_TRUE(imageFrom(*cache, QUrl::fromLocalFile(home.filePath("gone.png"))).isNull());
    EXPECT_TRUE(storedFiles().isEmpty());
}

TEST_F(ThumbnailCacheTest, MemoryHoldsAtMost128Images) {
    ThumbnailMemoryCache memory;
    QImage image(1, 1, QImage::Format_RGB32);
    for (int index = 0; index < 130; ++index) {
        memory.insert(QUrl(QString("https://example.test/%1.png").arg(index)), image);
    }
    int held = 0;
    for (int index = 0; index < 130; ++index) {
        held += !memory.image(QUrl(QString("https://example.test/%1.png").arg(index))).isNull();
    }
    EXPECT_EQ(held, 128);
}

} // namespace
