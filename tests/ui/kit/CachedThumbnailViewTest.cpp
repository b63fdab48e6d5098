#include "ui/kit/CachedThumbnailView.h"

#include "support/QtPrinters.h"
#include "support/ThumbnailTestSupport.h"

#include <QLabel>

#include <memory>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class CachedThumbnailViewTest : public ThumbnailTest {
protected:
    std::unique_ptr<CachedThumbnailView> makeView(const QUrl& url) {
        auto view = std::make_unique<CachedThumbnailView>(
            *cache, url, CachedThumbnailView::ContentMode::fit, [this] {
                ++placeholdersBuilt;
                return new QLabel("No image");
            });
        view->resize(40, 40);
        return view;
    }
    // The colour in the middle of what the view shows.
    static QColor shownColor(CachedThumbnailView& view) {
        return view.image().isNull() ? QColor() : picture(view).pixelColor(20, 20);
    }

    std::unique_ptr<ThumbnailCache> cache = makeCache();
    int placeholdersBuilt = 0;
};

TEST_F(CachedThumbnailViewTest, ImageAlreadyInMemoryShowsAtOnceWithoutPlaceholderOrRequest) {
    const QUrl url = serve("/known.png", encodedImage({4, 4}, red));
    ASSERT_FALSE(imageFrom(*cache, url).isNull());
    const auto view = makeView(url);
    EXPECT_FALSE(view->image().isNull());
    grab(*view, {40, 40});
    cache->waitForIdle();
    EXPECT_EQ(placeholdersBuilt, 0);
    EXPECT_EQ(shownColor(*view), red);
    EXPECT_EQ(server.requestCount("/known.png"), 1);
}

TEST_F(CachedThumbnailViewTest, PlaceholderShowsUntilTheImageArrivesOnScreen) {
    const QUrl url = serve("/slow.png", encodedImage({4, 4}, blue), 200, true);
    const auto view = makeView(url);
    EXPECT_EQ(server.requestCount("/slow.png"), 0);
    grab(*view, {40, 40});
    ASSERT_TRUE(server.waitForRequestCount("/slow.png", 1));
    ASSERT_NE(view->placeholder(), nullptr);
    EXPECT_TRUE(view->placeholder()->isVisible());
    server.releaseHeldAnswers();
    ASSERT_TRUE(waitUntil([&] { return !view->image().isNull(); }));
    EXPECT_EQ(view->placeholder(), nullptr);
    EXPECT_EQ(shownColor(*view), blue);
}

TEST_F(CachedThumbnailViewTest, FixedSizePlaceholderStandsInTheMiddleAFlexibleOneFillsTheView) {
    // GIVEN an address that gives no image, and a placeholder of a fixed size or none
    const QUrl url = serve("/missing.png", {}, 404);
    for (const bool fixedSize : {true, false}) {
        CachedThumbnailView view(*cache, url, CachedThumbnailView::ContentMode::fit, [=] {
            auto* placeholder = new QWidget;
            if (fixedSize) {
                placeholder->setFixedSize(18, 18);
            }
            return placeholder;
        });
        // WHEN the view is shown at a tile's size
        grab(view, {96, 64});
        // THEN the placeholder keeps its own size in the middle, or takes the whole view
        ASSERT_NE(view.placeholder(), nullptr);
        EXPECT_EQ(view.placeholder()->geometry(), fixedSize ? QRect(39, 23, 18, 18) : view.rect());
    }
}

TEST_F(CachedThumbnailViewTest, NewUrlKeepsTheOldImageUntilItsOwnArrives) {
    const QUrl old = serve("/old.png", encodedImage({4, 4}, red));
    ASSERT_FALSE(imageFrom(*cache, old).isNull());
    const auto view = makeView(old);
    grab(*view, {40, 40});
    view->setUrl(serve("/new.png", encodedImage({4, 4}, blue), 200, true));
    ASSERT_TRUE(server.waitForRequestCount("/new.png", 1));
    EXPECT_EQ(shownColor(*view), red);
    server.releaseHeldAnswers();
    ASSERT_TRUE(waitUntil([&] { return shownColor(*view) == blue; }));
    EXPECT_EQ(placeholdersBuilt, 0);
}

TEST_F(CachedThumbnailViewTest, AnswerForAUrlNoLongerShownIsDropped) {
    const QUrl slow = serve("/slow.png", encodedImage({4, 4}, red), 200, true);
    const auto view = makeView(slow);
    grab(*view, {40, 40});
    ASSERT_TRUE(server.waitForRequestCount("/slow.png", 1));
    view->setUrl(serve("/fast.png", encodedImage({4, 4}, blue)));
    ASSERT_TRUE(waitUntil([&] { return shownColor(*view) == blue; }));
    server.releaseHeldAnswers();
    cache->waitForIdle();
    settle();
    EXPECT_EQ(shownColor(*view), blue);
    EXPECT_FALSE(cache->memoryCache().image(slow).isNull());
}

TEST_F(CachedThumbnailViewTest, ViewsOfEveryWindowAskAgainForADownloadAClearCancelled) {
    // GIVEN two windows showing a thumbnail that is still arriving
    const QUrl url = serve("/arriving.png", encodedImage({4, 4}, blue), 200, true);
    const auto firstWindow = makeView(url);
    const auto secondWindow = makeView(url);
    grab(*firstWindow, {40, 40});
    grab(*secondWindow, {40, 40});
    ASSERT_TRUE(server.waitForRequestCount("/arriving.png", 1));

    // WHEN the thumbnails are cleared from one of them, cancelling the download
    serve("/arriving.png", encodedImage({4, 4}, blue));
    ASSERT_TRUE(awaitFuture(cache->cancelDownloads()));

    // THEN both views ask again, sharing one new download, and show the thumbnail
    for (CachedThumbnailView* view : {firstWindow.get(), secondWindow.get()}) {
        ASSERT_TRUE(waitUntil([&] { return shownColor(*view) == blue; }));
    }
    EXPECT_EQ(server.requestCount("/arriving.png"), 2);
}

TEST_F(CachedThumbnailViewTest, ViewThatGoesAwayDoesNotStopTheDownload) {
    const QUrl url = serve("/kept.png", encodedImage({4, 4}, red), 200, true);
    auto view = makeView(url);
    grab(*view, {40, 40});
    ASSERT_TRUE(server.waitForRequestCount("/kept.png", 1));
    view.reset();
    server.releaseHeldAnswers();
    cache->waitForIdle();
    settle();
    EXPECT_FALSE(cache->memoryCache().image(url).isNull());
    EXPECT_TRUE(QFile::exists(storedPath(url)));
}

} // namespace
