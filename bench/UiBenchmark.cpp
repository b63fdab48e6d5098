// The interface kit: the fourteen glyphs drawn at 24 points as a pill or a button draws them on
// every paint (look the file up, read it, tint it, parse it, draw it), and as a StudioIcon is built
// and drawn; a two-line label handed a megabyte; a selection dragged across a long text; a
// thumbnail served from memory; the longest the main thread is held while 100 thumbnails
// download, decode and show, which must stay under a frame (16 ms); and the resident memory of
// forty large thumbnails shown, under 200 MB.
#include "WidgetBenchmarkSupport.h"
#include "platform/HttpClient.h"
#include "ui/kit/CachedThumbnailView.h"
#include "ui/kit/ScreenParts.h"
#include "ui/kit/StudioIcon.h"
#include "ui/kit/ThumbnailCache.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QImage>
#include <QMouseEvent>
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

// A two-line label handed a megabyte of text, as a card's summary may be, shown at a card's
// width: what its layout, size and paint cost.
void BM_TwoLineLabelOfAMegabyte(benchmark::State& state) {
    const QString text = QStringLiteral("A long description of the package. ").repeated(30'000);
    QImage target(400, 60, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        FittingLabel label(text, QFont(), white, 2);
        label.resize(400, label.heightForWidth(400));
        benchmark::DoNotOptimize(label.sizeHint());
        label.render(&target);
    }
}
BENCHMARK(BM_TwoLineLabelOfAMegabyte)->Unit(benchmark::kMillisecond);

// A selection dragged across a selectable text of 20,000 characters, as a long path or message
// may be, 400 points wide: one move of the pointer and the paint of the 600 points in view.
void BM_DragASelectionAcrossTwentyThousandCharacters(benchmark::State& state) {
    const QString text =
        QStringLiteral("/Users/editor/Movies/Motion Templates/Lower Third ").repeated(400);
    FittingLabel label(text, QFont(), white);
    label.setSelectable(true);
    label.resize(400, label.heightForWidth(400));
    const QRegion inView(0, 0, 400, 600);
    QImage target(400, 600, QImage::Format_ARGB32_Premultiplied);
    const QPointF start(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, start, start, Qt::LeftButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&label, &press);
    int step = 0;
    for (auto _ : state) {
        step = step % 100 + 1;
        const QPointF at(4 * step, 6 * step);
        QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&label, &move);
        label.render(&target, QPoint(), inView);
    }
    if (label.selectedText().isEmpty()) {
        state.SkipWithError("the drag selected nothing");
    }
}
BENCHMARK(BM_DragASelectionAcrossTwentyThousandCharacters)->Unit(benchmark::kMillisecond);

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
    QFuture<marlox::Result<marlox::platform::HttpDownload, marlox::platform::HttpTransportError>>
    fetch(const marlox::platform::HttpGetRequest&, qint64) override {
        return QtFuture::makeReadyFuture(
            marlox::Result<marlox::platform::HttpDownload, marlox::platform::HttpTransportError>(
                marlox::platform::HttpDownload{200, m_body}));
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

// Thumbnail views of as many URLs in rows of ten in a window kept off the screen, and the wait
// until each shows its image.
class ThumbnailWindow {
public:
    ThumbnailWindow(ThumbnailCache& cache, int count, QSize viewSize) : m_waiting(count) {
        m_window.setAttribute(Qt::WA_DontShowOnScreen);
        auto* grid = new QGridLayout(&m_window);
        for (int index = 0; index < count; ++index) {
            auto* view = new CachedThumbnailView(cache, thumbnailURL(index),
                                                 CachedThumbnailView::ContentMode::fill, nullptr);
            view->setFixedSize(viewSize);
            grid->addWidget(view, index / 10, index % 10);
            QObject::connect(view, &CachedThumbnailView::imageChanged, &m_loop, [this] {
                if (--m_waiting == 0) {
                    m_loop.quit();
                }
            });
        }
    }

    void show() { m_window.show(); }
    // Runs the event loop until every view shows its image, then once more for their repaint;
    // false when the time ran out first.
    bool waitForImages(int timeoutMilliseconds) {
        QTimer::singleShot(timeoutMilliseconds, &m_loop, &QEventLoop::quit);
        if (m_waiting > 0) {
            m_loop.exec();
        }
        QCoreApplication::processEvents();
        return m_waiting == 0;
    }

private:
    QWidget m_window;
    QEventLoop m_loop;
    int m_waiting;
};

// A window of 100 thumbnail views of 100 different URLs, each a 1280 by 720 JPEG; a 1 ms timer
// on the main thread notes the longest gap between its ticks, from the moment the window shows
// until every view shows its image.
void BM_HundredThumbnailsMainThreadStall(benchmark::State& state) {
    const QByteArray photo = encodedPhoto({1280, 720});
    double longestStall = 0;
    for (auto _ : state) {
        QTemporaryDir folder;
        ThumbnailCache cache(std::make_shared<ServedImage>(photo), folder.path());
        ThumbnailWindow shown(cache, 100, {96, 54});
        const marlox::bench::MainThreadStallMeter meter;
        shown.show();
        // The last answers' repaint belongs to the run too.
        const bool arrived = shown.waitForImages(30'000);
        state.SetIterationTime(meter.elapsedNanoseconds() / 1e9);
        longestStall = std::max(longestStall, meter.longestStallMilliseconds());
        if (!arrived) {
            state.SkipWithError("not every thumbnail arrived");
        }
    }
    state.counters["longest_main_thread_stall_ms"] = longestStall;
}
BENCHMARK(BM_HundredThumbnailsMainThreadStall)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The process's resident memory, and the most it has held, in megabytes.
std::pair<double, double> residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    double resident = 0;
    double peak = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 2 && (fields[0] == "VmRSS:" || fields[0] == "VmHWM:")) {
                (fields[0] == "VmRSS:" ? resident : peak) = fields[1].toDouble() / 1024;
            }
        }
    }
    return {resident, peak};
}

// Forty thumbnail views of forty URLs, each a 5700 by 5700 PNG of about 120 KB, shown in one
// window until every one shows its image: the resident memory then, at its peak, and once the
// views are gone. The memory counters are the point; the time is that of the decoding.
void BM_FortyLargeThumbnailsShownResidentMemory(benchmark::State& state) {
    QImage banded(5700, 5700, QImage::Format_RGB32);
    QPainter painter(&banded);
    for (int band = 0; band < 57; ++band) {
        painter.fillRect(0, band * 100, 5700, 100, QColor::fromHsv(band * 6, 160, 220));
    }
    painter.end();
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    banded.save(&png, "PNG");
    banded = QImage();
    for (auto _ : state) {
        // The peak counts from here: the picture made to encode the body is not the cache's.
        QFile resetPeak(QStringLiteral("/proc/self/clear_refs"));
        if (resetPeak.open(QIODevice::WriteOnly)) {
            resetPeak.write("5");
        }
        QTemporaryDir folder;
        ThumbnailCache cache(std::make_shared<ServedImage>(png.data()), folder.path());
        auto window = std::make_unique<ThumbnailWindow>(cache, 40, QSize(240, 135));
        window->show();
        const bool arrived = window->waitForImages(300'000);
        const auto [shown, peak] = residentMegabytes();
        window.reset();
        QCoreApplication::processEvents();
        state.counters["resident_shown_MB"] = shown;
        state.counters["resident_peak_MB"] = peak;
        state.counters["resident_after_views_gone_MB"] = residentMegabytes().first;
        state.counters["body_KB"] = double(png.size()) / 1024;
        if (!arrived) {
            state.SkipWithError("not every thumbnail arrived");
        }
    }
}
BENCHMARK(BM_FortyLargeThumbnailsShownResidentMemory)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return marlox::bench::runWidgetBenchmarks(argc, argv);
}
