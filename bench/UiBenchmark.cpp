// The interface kit: the fourteen glyphs drawn at 24 points as a pill or a button draws them on
// every paint (look the file up, read it, tint it, parse it, draw it), and as a StudioIcon is built
// and drawn; a thumbnail served from memory; and the longest the main thread is held while 100
// thumbnails download, decode and show, which must stay under a frame (16 ms).
#include "WidgetBenchmarkSupport.h"
#include "platform/HttpClient.h"
#include "ui/CachedThumbnailView.h"
#include "ui/StudioIcon.h"
#include "ui/ThumbnailCache.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

using namespace marlox::ui;

const QColor white(255, 255, 255);

void BM_DrawFourteenGlyphsAt24(benchmark::State& state) {
    QImage target(24 * 14, 24, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        target.fill(Qt::transparent);
        QPainter painter(&target);
        painter.setRenderHint(QPainter::Antialiasing);
        qreal x = 0;
        for (StudioGlyph glyph : allStudioGlyphs()) {
            drawStudioIcon(painter, QRectF(x, 0, 24, 24), glyph, white, 2);
            x += 24;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 14);
}
BENCHMARK(BM_DrawFourteenGlyphsAt24)->Unit(benchmark::kMicrosecond);

void BM_BuildAndDrawFourteenStudioIcons(benchmark::State& state) {
    QImage target(24, 24, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        for (StudioGlyph glyph : allStudioGlyphs()) {
            StudioIcon icon(glyph, 24, white, 2);
            target.fill(Qt::transparent);
            icon.render(&target, QPoint(), QRegion(), QWidget::DrawChildren);
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 14);
}
BENCHMARK(BM_BuildAndDrawFourteenStudioIcons)->Unit(benchmark::kMicrosecond);

QByteArray encodedPhoto(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(20, 120, 220));
    gradient.setColorAt(1, QColor(240, 160, 40));
    painter.fillRect(image.rect(), gradient);
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return buffer.data();
}

// Answers every GET with the same image, at once: the cost measured is ours, not the network's.
class ServedImage final : public marlox::platform::HttpClient {
public:
    explicit ServedImage(QByteArray body) : m_body(std::move(body)) {}
    marlox::Result<marlox::platform::HttpResponse, marlox::platform::HttpTransportError>
    get(const marlox::platform::HttpGetRequest&, QIODevice& body) override {
        body.write(m_body);
        return marlox::platform::HttpResponse{200};
    }
    void abortTransfers() override {}

private:
    QByteArray m_body;
};

QUrl thumbnailURL(int index) {
    return QUrl(QStringLiteral("https://thumbnails.test/%1.jpg").arg(index));
}

void BM_ThumbnailFromMemory(benchmark::State& state) {
    QTemporaryDir folder;
    ThumbnailCache cache(std::make_shared<ServedImage>(encodedPhoto({640, 360})), folder.path());
    const QUrl url = thumbnailURL(0);
    cache.image(url).waitForFinished();
    for (auto _ : state) {
        QImage image = cache.image(url).result();
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_ThumbnailFromMemory)->Unit(benchmark::kMicrosecond);

void BM_ThumbnailSeededFromMemoryOnTheMainThread(benchmark::State& state) {
    QTemporaryDir folder;
    ThumbnailCache cache(std::make_shared<ServedImage>(encodedPhoto({640, 360})), folder.path());
    const QUrl url = thumbnailURL(0);
    cache.image(url).waitForFinished();
    for (auto _ : state) {
        QImage image = cache.memoryCache().image(url);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_ThumbnailSeededFromMemoryOnTheMainThread);

// A window of 100 thumbnail views of 100 different URLs, each a 1280 by 720 JPEG; a 1 ms timer
// on the main thread notes the longest gap between its ticks, from the moment the window shows
// until every view shows its image.
void BM_HundredThumbnailsMainThreadStall(benchmark::State& state) {
    const QByteArray photo = encodedPhoto({1280, 720});
    double longestStall = 0;
    for (auto _ : state) {
        QTemporaryDir folder;
        ThumbnailCache cache(std::make_shared<ServedImage>(photo), folder.path());
        QWidget window;
        window.setAttribute(Qt::WA_DontShowOnScreen);
        auto* grid = new QGridLayout(&window);
        QEventLoop loop;
        int waiting = 100;
        for (int index = 0; index < 100; ++index) {
            auto* view = new CachedThumbnailView(cache, thumbnailURL(index),
                                                 CachedThumbnailView::ContentMode::fill, nullptr);
            view->setFixedSize(96, 54);
            grid->addWidget(view, index / 10, index % 10);
            QObject::connect(view, &CachedThumbnailView::imageChanged, &loop, [&] {
                if (--waiting == 0) {
                    loop.quit();
                }
            });
        }
        QTimer::singleShot(30'000, &loop, &QEventLoop::quit);
        const marlox::bench::MainThreadStallMeter meter;
        window.show();
        loop.exec();
        // The last answers' repaint belongs to the run too.
        QCoreApplication::processEvents();
        state.SetIterationTime(meter.elapsedNanoseconds() / 1e9);
        longestStall = std::max(longestStall, meter.longestStallMilliseconds());
        if (waiting > 0) {
            state.SkipWithError("not every thumbnail arrived");
        }
    }
    state.counters["longest_main_thread_stall_ms"] = longestStall;
}
BENCHMARK(BM_HundredThumbnailsMainThreadStall)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    return marlox::bench::runWidgetBenchmarks(argc, argv);
}
