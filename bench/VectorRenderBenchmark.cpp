// Drawing documents at 512 by 512, side by side with Qt's own SVG module drawing the same bytes.
// Qt's module is the baseline here only; the product never links it.
#include "VectorBenchmarkSupport.h"
#include "vector/SVGDrawing.h"
#include "vector/SVGParser.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using marlox::bench::applicationIcons;
using marlox::bench::generatedOutlines;
using marlox::bench::generatedPaths;
using marlox::bench::OutlinePaint;

constexpr int side = 512;

QImage blankCanvas() {
    QImage canvas(side, side, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    return canvas;
}

// Each document parsed once; every iteration draws the trees onto a cleared canvas. Both
// libraries draw on other threads too, so the figures are wall-clock times.
void drawWithMarlox(benchmark::State& state, const QList<QByteArray>& documents) {
    std::vector<std::shared_ptr<marlox::vector::SVGNode>> trees;
    for (const QByteArray& document : documents) {
        trees.push_back(marlox::vector::SVGParser::parseData(document));
        if (!trees.back()) {
            state.SkipWithError("no tree");
            return;
        }
    }
    QImage canvas = blankCanvas();
    for (auto _ : state) {
        for (const auto& tree : trees) {
            canvas.fill(Qt::transparent);
            QPainter painter(&canvas);
            marlox::vector::drawDocument(painter, tree.get(), QSizeF(side, side));
        }
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.SetItemsProcessed(state.iterations() * qsizetype(trees.size()));
}

void drawWithQtSvg(benchmark::State& state, const QList<QByteArray>& documents) {
    std::vector<std::unique_ptr<QSvgRenderer>> renderers;
    for (const QByteArray& document : documents) {
        renderers.push_back(std::make_unique<QSvgRenderer>(document));
        if (!renderers.back()->isValid()) {
            state.SkipWithError("Qt could not load the document");
            return;
        }
    }
    QImage canvas = blankCanvas();
    for (auto _ : state) {
        for (const auto& renderer : renderers) {
            canvas.fill(Qt::transparent);
            QPainter painter(&canvas);
            renderer->render(&painter, QRectF(0, 0, side, side));
        }
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.SetItemsProcessed(state.iterations() * qsizetype(renderers.size()));
}

void BM_DrawGeneratedPaths_Marlox(benchmark::State& state) {
    drawWithMarlox(state, {generatedPaths()});
}

void BM_DrawGeneratedPaths_QtSvg(benchmark::State& state) {
    drawWithQtSvg(state, {generatedPaths()});
}

// Opaque outlines, outlines with a translucent fill, which is blended, and translucent outlines,
// each drawn through a layer so that its stroke does not show through its fill.
constexpr int outlineCount = 5000;

void BM_DrawOutlines_Marlox(benchmark::State& state, OutlinePaint paint) {
    drawWithMarlox(state, {generatedOutlines(outlineCount, paint)});
}

void BM_DrawOutlines_QtSvg(benchmark::State& state, OutlinePaint paint) {
    drawWithQtSvg(state, {generatedOutlines(outlineCount, paint)});
}

void BM_DrawApplicationIcons_Marlox(benchmark::State& state) {
    state.SetLabel(applicationIcons().label());
    drawWithMarlox(state, applicationIcons().documents);
}

void BM_DrawApplicationIcons_QtSvg(benchmark::State& state) {
    state.SetLabel(applicationIcons().label());
    drawWithQtSvg(state, applicationIcons().documents);
}

} // namespace

BENCHMARK(BM_DrawGeneratedPaths_Marlox)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawGeneratedPaths_QtSvg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawApplicationIcons_Marlox)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_DrawApplicationIcons_QtSvg)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv) {
    for (const OutlinePaint paint : marlox::bench::outlinePaints) {
        const std::string name = marlox::bench::outlinePaintName(paint);
        benchmark::RegisterBenchmark(("BM_DrawOutlines_Marlox/" + name).c_str(),
                                     BM_DrawOutlines_Marlox, paint)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_DrawOutlines_QtSvg/" + name).c_str(),
                                     BM_DrawOutlines_QtSvg, paint)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    return marlox::bench::runWithGuiApplication(argc, argv);
}
