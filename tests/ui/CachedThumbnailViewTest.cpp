#include "ui/CachedThumbnailView.h"

#include "ThumbnailTestSupport.h"
#include "support/QtPrinters.h"

#include <QLabel>

#include <memory>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class CachedThumbnailViewTest : public ThumbnailTest {
protected:
    std::unique_ptr<CachedThumbnailView>
    makeView(const QUrl& url,
             CachedThumbnailView::ContentMode mode = CachedThumbnailView::ContentMode::fit) {
        auto view = std::make_unique<CachedThumbnailView>(*cache, url, mode, [this] {
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

TEST_F(CachedThumbnailViewTest, MissingFileLeavesThePlaceholder) {
    const auto view = makeView(QUrl::fromLocalFile(home.filePath("missing.png")));
    grab(*view, {40, 40});
    cache->waitForIdle();
    settle();
    EXPECT_TRUE(view->image().isNull());
    ASSERT_NE(view->placeholder(), nullptr);
    EXPECT_TRUE(view->placeholder()->isVisible());
}

TEST_F(CachedThumbnailViewTest, TwoViewsOfOneUrlShareOneDownload) {
    const QUrl url = serve("/twice.png", encodedImage({4, 4}, red), 200, true);
    const auto first = makeView(url), second = makeView(url);
    grab(*first, {40, 40});
    grab(*second, {40, 40});
    ASSERT_TRUE(server.waitForRequestCount("/twice.png", 1));
    server.releaseHeldAnswers();
    ASSERT_TRUE(waitUntil([&] { return !first->image().isNull() && !second->image().isNull(); }));
    EXPECT_EQ(server.requestCount("/twice.png"), 1);
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

TEST_F(CachedThumbnailViewTest, FitLeavesBandsAndFillCoversTheView) {
    writeFile(home.filePath("wide.png"), encodedImage({40, 20}, red));
    const QUrl wide = QUrl::fromLocalFile(home.filePath("wide.png"));
    ASSERT_FALSE(imageFrom(*cache, wide).isNull());
    const auto fit = makeView(wide, CachedThumbnailView::ContentMode::fit);
    const auto fill = makeView(wide, CachedThumbnailView::ContentMode::fill);
    const QImage fitted = grab(*fit, {40, 40}), filled = grab(*fill, {40, 40});
    EXPECT_TRUE(pixelIs(fitted, 20, 20, 0xFFFF0000));
    EXPECT_TRUE(pixelIs(fitted, 20, 3, 0));
    EXPECT_TRUE(pixelIs(fitted, 20, 36, 0));
    for (const QPoint point : {QPoint(20, 3), QPoint(20, 36), QPoint(0, 0), QPoint(39, 39)}) {
        EXPECT_TRUE(pixelIs(filled, point.x(), point.y(), 0xFFFF0000));
    }
}

TEST_F(CachedThumbnailViewTest, RoundedCornersCutTheImageSmoothlyOnlyWhereAsked) {
    writeFile(home.filePath("wide.png"), encodedImage({80, 40}, red));
    const QUrl wide = QUrl::fromLocalFile(home.filePath("wide.png"));
    ASSERT_FALSE(imageFrom(*cache, wide).isNull());
    struct Case {
        RoundedCorners corners;
        bool topCut;
        bool bottomCut;
    };
    for (const Case& testCase :
         {Case{RoundedCorners::all, true, true}, Case{RoundedCorners::top, true, false},
          Case{RoundedCorners::bottom, false, true}}) {
        const auto view = makeView(wide, CachedThumbnailView::ContentMode::fill);
        view->setRoundedCorners(12, testCase.corners);
        const QImage image = grab(*view, {40, 40});
        // THEN a corner that is cut shows nothing, one that is not shows the image
        EXPECT_TRUE(pixelIs(image, 0, 0, testCase.topCut ? 0 : 0xFFFF0000));
        EXPECT_TRUE(pixelIs(image, 39, 39, testCase.bottomCut ? 0 : 0xFFFF0000));
        EXPECT_TRUE(pixelIs(image, 20, 20, 0xFFFF0000));
        EXPECT_TRUE(pixelIs(image, 20, 0, 0xFFFF0000));
        // AND the cut is smooth: a pixel on the curve is partly covered
        const int onCurve = qAlpha(image.pixel(testCase.topCut ? 3 : 36, testCase.topCut ? 3 : 36));
        EXPECT_TRUE(onCurve > 40 && onCurve < 215) << onCurve;
    }
}

} // namespace
