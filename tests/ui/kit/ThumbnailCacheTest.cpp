#include "ui/kit/ThumbnailCache.h"

#include "support/QtPrinters.h"
#include "support/ThumbnailTestSupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTest>

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

TEST_F(ThumbnailCacheTest, AFifthServersThumbnailArrivesWhileFourServersDripEightEach) {
    // GIVEN four servers, on ports of their own, that send their thumbnails a byte every five
    // seconds, and eight thumbnails asked of each
    const auto cache = makeCache();
    std::vector<std::unique_ptr<LoopbackHttpServer>> slowServers;
    QList<QFuture<QImage>> slow;
    for (int server = 0; server < 4; ++server) {
        auto& slowServer = *slowServers.emplace_back(std::make_unique<LoopbackHttpServer>());
        for (int index = 0; index < 8; ++index) {
            const QString path = QString("/slow-%1.png").arg(index);
            slowServer.setAnswer(path, HttpAnswer{.body = encodedImage({8, 8}, blue),
                                                  .dripInterval = std::chrono::seconds(5)});
            slow.append(cache->image(slowServer.url(path)));
        }
    }
    // AND each of them serving some at once, together all the transfers that servers already
    // transferring may hold, and one more
    const auto requestsOf = [](const LoopbackHttpServer& slowServer) {
        int count = 0;
        for (int index = 0; index < 8; ++index) {
            count += slowServer.requestCount(QString("/slow-%1.png").arg(index));
        }
        return count;
    };
    const auto slowRequests = [&] {
        int count = 0;
        for (const auto& slowServer : slowServers) {
            count += requestsOf(*slowServer);
        }
        return count;
    };
    const int held = ThumbnailCache::downloadsAtOnce - ThumbnailCache::keptForNewServers + 1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return slowRequests() >= held; }, 30000));

    // WHEN a thumbnail of a fifth server is asked for, THEN it arrives within two seconds while
    // they still wait, no slow server was asked more than six at a time, and with the fifth's no
    // more than 24 transfers ran at once
    const QFuture<QImage> fast = cache->image(serve("/fast.png", encodedImage({8, 8}, red)));
    ASSERT_TRUE(awaitFuture(fast, std::chrono::seconds(2)));
    EXPECT_FALSE(fast.result().isNull());
    for (const QFuture<QImage>& waiting : slow) {
        EXPECT_FALSE(waiting.isFinished());
    }
    for (const auto& slowServer : slowServers) {
        EXPECT_GE(requestsOf(*slowServer), 1);
        EXPECT_LE(requestsOf(*slowServer), ThumbnailCache::downloadsPerServer);
    }
    EXPECT_LE(slowRequests() + 1, ThumbnailCache::downloadsAtOnce);
}

// A thumbnail of the server, "server-<server>.test", by its index there.
QUrl thumbnailOf(int server, int index) {
    return QUrl(QString("http://server-%1.test/%2.png").arg(server).arg(index));
}

TEST_F(ThumbnailCacheTest, TenServersGetAtMost24TransfersAtOnceAndEveryThumbnailIsFetched) {
    // GIVEN ten servers that hold every answer, and twelve thumbnails asked of each
    const auto fetches = std::make_shared<HeldFetches>();
    const auto cache = makeCache(1, fetches);
    QList<QFuture<QImage>> answers;
    for (int server = 0; server < 10; ++server) {
        for (int index = 0; index < 12; ++index) {
            answers.append(cache->image(thumbnailOf(server, index)));
        }
    }
    waitForTheWorker(*cache);
    EXPECT_EQ(fetches->held().size(), ThumbnailCache::downloadsAtOnce);

    // WHEN the servers answer what they hold, again and again (with no image, which costs no
    // decoding)
    while (!fetches->held().isEmpty()) {
        for (const QUrl& url : fetches->held()) {
            fetches->answer(url, "no image");
        }
        waitForTheWorker(*cache);
    }

    // THEN no more than 24 were ever under way at once, and every thumbnail was fetched and
    // answered
    EXPECT_EQ(fetches->mostAtOnce(), ThumbnailCache::downloadsAtOnce);
    EXPECT_EQ(fetches->fetchCount(), 120);
    for (const QFuture<QImage>& answer : answers) {
        EXPECT_TRUE(answer.isFinished() && !answer.isCanceled());
    }
}

TEST_F(ThumbnailCacheTest, AServerWaitingForItsFirstTransferGoesBeforeOneWithHundredsQueued) {
    // GIVEN nine servers holding all 24 transfers, the first with 200 more thumbnails queued, two
    // with six and six with one, and then one thumbnail of a tenth server
    const auto fetches = std::make_shared<HeldFetches>();
    const auto cache = makeCache(1, fetches);
    for (int server = 0; server < 9; ++server) {
        for (int index = 0; index < (server == 0 ? 206 : server < 3 ? 6 : 1); ++index) {
            cache->image(thumbnailOf(server, index));
        }
    }
    cache->image(thumbnailOf(9, 0));
    waitForTheWorker(*cache);
    ASSERT_EQ(fetches->held().size(), ThumbnailCache::downloadsAtOnce);

    // WHEN one of the first server's transfers ends, THEN the tenth server's starts next
    fetches->answer(thumbnailOf(0, 0), "no image");
    waitForTheWorker(*cache);
    EXPECT_EQ(fetches->held().last(), thumbnailOf(9, 0));

    // AND WHEN another of its transfers ends, THEN its next waits: the last six transfers are
    // kept for servers with nothing running
    fetches->answer(thumbnailOf(0, 1), "no image");
    waitForTheWorker(*cache);
    EXPECT_EQ(fetches->held().size(), ThumbnailCache::downloadsAtOnce - 1);

    // AND WHEN the six servers with one end theirs, THEN the first server's next starts
    for (int server = 3; server < 9; ++server) {
        fetches->answer(thumbnailOf(server, 0), "no image");
    }
    waitForTheWorker(*cache);
    EXPECT_EQ(fetches->held().last(), thumbnailOf(0, 6));
}

TEST_F(ThumbnailCacheTest,
       CancellingEndsQueuedDownloadsWithoutStartingThemAndTheirCallersAskAgain) {
    // GIVEN six downloads from one server under way and four queued behind them
    const auto fetches = std::make_shared<HeldFetches>();
    const auto cache = makeCache(1, fetches);
    QList<QFuture<QImage>> answers;
    for (int index = 0; index < 10; ++index) {
        answers.append(cache->image(thumbnailOf(0, index)));
    }
    waitForTheWorker(*cache);

    // WHEN the downloads are cancelled
    ASSERT_TRUE(awaitFuture(cache->cancelDownloads()));

    // THEN every caller is told to ask again, and none of the queued ones was started
    for (const QFuture<QImage>& answer : answers) {
        EXPECT_TRUE(answer.isCanceled());
    }
    EXPECT_EQ(fetches->fetchCount(), ThumbnailCache::downloadsPerServer);

    // AND asking again downloads anew
    const QFuture<QImage> again = cache->image(thumbnailOf(0, 9));
    waitForTheWorker(*cache);
    fetches->answer(thumbnailOf(0, 9), encodedImage({4, 4}, red));
    ASSERT_TRUE(awaitFuture(again));
    EXPECT_FALSE(again.result().isNull());
}

TEST_F(ThumbnailCacheTest, GoingAwayEndsItsDownloadsWithoutWaitingForTheServer) {
    // GIVEN a download from a server that sends its thumbnail a byte every 20 ms
    const QByteArray png = encodedImage({1, 1}, red);
    server.setAnswer("/dripping.png",
                     HttpAnswer{.body = png, .dripInterval = std::chrono::milliseconds(20)});
    auto cache = makeCache();
    const QFuture<QImage> image = cache->image(server.url("/dripping.png"));
    ASSERT_TRUE(server.waitForRequestCount("/dripping.png", 1));

    // WHEN the cache goes, as the application quits, THEN its caller has its answer, no image:
    // the download ended before the server had sent it
    cache.reset();
    ASSERT_TRUE(image.isFinished());
    EXPECT_TRUE(image.result().isNull());
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

TEST_F(ThumbnailCacheTest, ARequestFollowsFiveRedirectsAndNeverASixth) {
    // GIVEN an image behind five redirects, and a chain of redirects that never ends in one
    // (distinct hops: Qt may send one hop twice, never one hop further)
    const auto hop = [](const char* chain, int index) {
        return QString("/%1-%2.png").arg(chain).arg(index);
    };
    for (const char* chain : {"five", "endless"}) {
        for (int index = 0; index < 10; ++index) {
            HttpAnswer answer{302, {}, {}, {}};
            answer.location = hop(chain, index + 1).toUtf8();
            server.setAnswer(hop(chain, index), answer);
        }
    }
    serve(hop("five", 5), encodedImage({4, 4}, red));
    const auto cache = makeCache();

    // WHEN both are asked for THEN the first gives its image, the second nothing, and no hop
    // after the fifth redirect is asked for
    EXPECT_EQ(imageFrom(*cache, server.url(hop("five", 0))).pixelColor(1, 1), red);
    EXPECT_TRUE(imageFrom(*cache, server.url(hop("endless", 0))).isNull());
    for (int index = 0; index < 10; ++index) {
        EXPECT_EQ(server.requestCount(hop("endless", index)) > 0,
                  index <= marlox::platform::maximumHttpRedirects)
            << index;
    }
}

TEST_F(ThumbnailCacheTest, CancelledDownloadStopsWithoutItsServerAndStoresNothing) {
    // GIVEN a download whose server holds its answer back
    const QUrl url = serve("/held.png", encodedImage({4, 4}, red), 200, true);
    const auto cache = makeCache();
    const QFuture<QImage> answer = cache->image(url);
    ASSERT_TRUE(server.waitForRequestCount("/held.png", 1));

    // WHEN the downloads are cancelled
    const QFuture<void> cancelled = cache->cancelDownloads();

    // THEN the cancellation ends while the answer is still held back, its caller is told to ask
    // again, and nothing is stored
    ASSERT_TRUE(awaitFuture(cancelled, std::chrono::seconds(10)));
    EXPECT_TRUE(answer.isCanceled());
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
    ASSERT_TRUE(QDir(home.filePath("Cache")).removeRecursively());
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

TEST_F(ThumbnailCacheTest, ImagesAreDecodedNoLargerThanTheWidestViewShowsThem) {
    // The served size, the screen's scale and the size decoded.
    const std::tuple<QSize, qreal, QSize> cases[] = {
        {{3000, 1500}, 1, {640, 320}},
        {{1500, 3000}, 2, {640, 1280}},
        {{300, 200}, 2, {300, 200}},
        {{8000, 1}, 1, {640, 1}},
    };
    for (const auto& [served, scale, decoded] : cases) {
        const QString path = QString("/%1x%2.png").arg(served.width()).arg(served.height());
        const QUrl url = serve(path, encodedImage(served, blue));
        const auto cache = makeCache(scale);
        EXPECT_EQ(imageFrom(*cache, url).size(), decoded) << path.toStdString();
        // The stored file is the body as it came, to be decoded again at any scale.
        EXPECT_EQ(QImage(storedPath(url)).size(), served) << path.toStdString();
    }
}

TEST_F(ThumbnailCacheTest, LargeThumbnailsAreHeldWithinTheByteBudgetTheNewestKept) {
    // GIVEN fourteen large thumbnails on a screen of scale 2, 6.25 MiB each once decoded
    const QByteArray large = encodedImage({1600, 1600}, red);
    const auto cache = makeCache(2);
    QList<QUrl> urls;
    for (int index = 0; index < 14; ++index) {
        urls.append(serve(QString("/large-%1.png").arg(index), large));
    }

    // WHEN each is shown in turn
    for (const QUrl& url : urls) {
        EXPECT_EQ(imageFrom(*cache, url).size(), QSize(1280, 1280));
    }

    // THEN memory holds at most 64 MiB of them: the newest, not the first
    const ThumbnailMemoryCache& memory = cache->memoryCache();
    EXPECT_LE(memory.heldBytes(), ThumbnailMemoryCache::byteBudget);
    EXPECT_FALSE(memory.image(urls.last()).isNull());
    EXPECT_TRUE(memory.image(urls.first()).isNull());
}

} // namespace
