#include "vector/PathReader.h"
#include "vector/SVGPath.h"
#include "vector/SVGPathBuilder.h"

#include <benchmark/benchmark.h>

using namespace marlox::vector;

namespace {

// The kind of outline an icon holds: lines, cubic and quadratic curves, circular and
// elliptical arcs, relative commands and closes.
const QString iconPathData = QStringLiteral(
    "M12 2a10 10 0 1 0 10 10A10 10 0 0 0 12 2zm0 18a8 8 0 1 1 8-8 8 8 0 0 1-8 8z"
    "M3 5v14a9 3 0 0 0 18 0V5M3 12a9 3 0 0 0 18 0"
    "M21 15a2 2 0 0 1-2 2H7l-4 4V5a2 2 0 0 1 2-2h14a2 2 0 0 1 2 2z"
    "M4.5 16.5c-1.5 1.26-2 5-2 5s3.74-.5 5-2c.71-.84.7-2.13-.09-2.91a2.18 2.18 0 0 0-2.91-.09z"
    "M12 15l-3-3a22 22 0 0 1 2-3.95A12.88 12.88 0 0 1 22 2c0 2.72-.78 7.5-6 11a22.35 22.35 0 0 "
    "1-4 2zQ14 18 16 20T20 22");

void readPathData(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(PathReader::readAll(iconPathData));
    }
    state.SetBytesProcessed(state.iterations() * iconPathData.size());
}
BENCHMARK(readPathData);

void buildOutline(benchmark::State& state) {
    const QList<PathSegment> segments = PathReader::readAll(iconPathData);
    for (auto _ : state) {
        benchmark::DoNotOptimize(toBezierPath(segments));
    }
    state.SetItemsProcessed(state.iterations() * segments.size());
}
BENCHMARK(buildOutline);

// What every frame() and bounds() of a path costs: the outline built anew and measured.
void pathFrame(benchmark::State& state) {
    const SVGPath path(PathReader::readAll(iconPathData), Qt::WindingFill);
    for (auto _ : state) {
        benchmark::DoNotOptimize(path.frame());
    }
}
BENCHMARK(pathFrame);

void toPainterPath(benchmark::State& state) {
    const SVGBezierPath outline = toBezierPath(PathReader::readAll(iconPathData));
    for (auto _ : state) {
        benchmark::DoNotOptimize(outline.toPainterPath());
    }
}
BENCHMARK(toPainterPath);

} // namespace

BENCHMARK_MAIN();
