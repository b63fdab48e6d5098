// Parsing markup into a node tree, side by side with Qt's own SVG module loading the same bytes.
// Qt's module is the baseline here only; the product never links it.
#include "VectorBenchmarkSupport.h"
#include "vector/SVGParser.h"

#include <QSvgRenderer>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using marlox::bench::applicationIcons;
using marlox::bench::generatedPaths;
using marlox::bench::IconSet;

void parseWithMarlox(benchmark::State& state, const QList<QByteArray>& documents, qint64 bytes) {
    for (auto _ : state) {
        for (const QByteArray& document : documents) {
            auto root = marlox::vector::SVGParser::parseData(document);
            if (!root) {
                state.SkipWithError("no tree");
            }
            benchmark::DoNotOptimize(root);
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void loadWithQtSvg(benchmark::State& state, const QList<QByteArray>& documents, qint64 bytes) {
    for (auto _ : state) {
        for (const QByteArray& document : documents) {
            QSvgRenderer renderer;
            if (!renderer.load(document)) {
                state.SkipWithError("Qt could not load the document");
            }
            benchmark::DoNotOptimize(renderer);
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_GeneratedPaths_Marlox(benchmark::State& state) {
    parseWithMarlox(state, {generatedPaths()}, generatedPaths().size());
}

void BM_GeneratedPaths_QtSvg(benchmark::State& state) {
    loadWithQtSvg(state, {generatedPaths()}, generatedPaths().size());
}

void BM_ApplicationIcons_Marlox(benchmark::State& state) {
    const IconSet& icons = applicationIcons();
    state.SetLabel(icons.label());
    parseWithMarlox(state, icons.documents, icons.bytes);
}

void BM_ApplicationIcons_QtSvg(benchmark::State& state) {
    const IconSet& icons = applicationIcons();
    state.SetLabel(icons.label());
    loadWithQtSvg(state, icons.documents, icons.bytes);
}

} // namespace

BENCHMARK(BM_GeneratedPaths_Marlox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneratedPaths_QtSvg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplicationIcons_Marlox)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplicationIcons_QtSvg)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return marlox::bench::runWithGuiApplication(argc, argv);
}
