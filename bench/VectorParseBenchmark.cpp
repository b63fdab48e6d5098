// Parsing markup into a node tree, side by side with Qt's own SVG module loading the same bytes.
// Qt's module is the baseline here only; the product never links it.
#include "VectorBenchmarkSupport.h"
#include "vector/SVGParser.h"

#include <QElapsedTimer>
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

// One element whose style attribute holds 40,000 distinct properties.
QByteArray manyStyleProperties() {
    QByteArray style;
    for (int index = 0; index < 40'000; ++index) {
        style += "p" + QByteArray::number(index) + ":" + QByteArray::number(index) + ";";
    }
    return "<svg><rect width=\"1\" height=\"1\" style=\"" + style + "\"/></svg>";
}

// A style sheet of 20,000 class rules, each setting a property of its own, and an element of
// every class.
QByteArray manyClassRules() {
    QByteArray rules;
    QByteArray classes;
    for (int index = 0; index < 20'000; ++index) {
        const QByteArray number = QByteArray::number(index);
        rules += ".c" + number + "{p" + number + ":" + number + "}\n";
        classes += "c" + number + " ";
    }
    return "<svg><style>" + rules + "</style><rect width=\"1\" height=\"1\" class=\"" + classes +
           "\"/></svg>";
}

// Keeps the line of each refused document off the report.
struct QuietLogger final : marlox::vector::SVGLogger {
    void log(const QString&) override {}
    void logError(const QString&) override {}
};

// Parses the document, with or without a tree as its result, in under `boundMilliseconds` on
// average (Release), or the run reports an error.
void parseWithinBound(benchmark::State& state, const QByteArray& document,
                      double boundMilliseconds = 50, bool givesTree = true) {
    marlox::vector::SVGSettings settings;
    settings.logger = std::make_shared<QuietLogger>();
    double totalMilliseconds = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto root = marlox::vector::SVGParser::parseData(document, settings);
        totalMilliseconds += timer.nsecsElapsed() / 1e6;
        if (bool(root) != givesTree) {
            state.SkipWithError(givesTree ? "no tree" : "a tree of a document to refuse");
        }
        benchmark::DoNotOptimize(root);
    }
    if (state.iterations() > 0 && totalMilliseconds / state.iterations() >= boundMilliseconds) {
        state.SkipWithError("parsing took longer than its bound");
    }
    state.SetBytesProcessed(state.iterations() * document.size());
}

// Style maps must grow in linear time: each of these documents parses in under 50 ms.
void BM_ManyStyleProperties_Marlox(benchmark::State& state) {
    static const QByteArray document = manyStyleProperties();
    parseWithinBound(state, document);
}

void BM_ManyClassRules_Marlox(benchmark::State& state) {
    static const QByteArray document = manyClassRules();
    parseWithinBound(state, document);
}

// Entities that would expand past the reader's budget: each document is refused in well under
// 100 ms.
QByteArray billionLaughs() {
    QByteArray declarations = "<!ENTITY l0 \"lol\">";
    for (int level = 1; level <= 9; ++level) {
        const QByteArray reference = "&l" + QByteArray::number(level - 1) + ";";
        declarations +=
            "<!ENTITY l" + QByteArray::number(level) + " \"" + reference.repeated(10) + "\">";
    }
    return "<!DOCTYPE svg [" + declarations + "]><svg><text>&l9;</text></svg>";
}

QByteArray manyLargeReferences() {
    return "<!DOCTYPE svg [<!ENTITY a \"" + QByteArray(4000, 'a') + "\">]><svg><text>" +
           QByteArray("&a;").repeated(300'000) + "</text></svg>";
}

QByteArray manyParameterReferences() {
    return R"(<!DOCTYPE svg [<!ENTITY % d "<!ENTITY a ')" + QByteArray(4000, 'a') + "'>\">" +
           QByteArray("%d;").repeated(300'000) + "]><svg/>";
}

void BM_BillionLaughs_Marlox(benchmark::State& state) {
    static const QByteArray document = billionLaughs();
    parseWithinBound(state, document, 100, false);
}

void BM_ManyLargeEntityReferences_Marlox(benchmark::State& state) {
    static const QByteArray document = manyLargeReferences();
    parseWithinBound(state, document, 100, false);
}

void BM_ManyParameterEntityReferences_Marlox(benchmark::State& state) {
    static const QByteArray document = manyParameterReferences();
    parseWithinBound(state, document, 100, false);
}

} // namespace

BENCHMARK(BM_ManyStyleProperties_Marlox)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ManyClassRules_Marlox)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BillionLaughs_Marlox)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ManyLargeEntityReferences_Marlox)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ManyParameterEntityReferences_Marlox)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GeneratedPaths_Marlox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneratedPaths_QtSvg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplicationIcons_Marlox)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplicationIcons_QtSvg)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return marlox::bench::runWithGuiApplication(argc, argv);
}
