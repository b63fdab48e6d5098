// Parsing markup into a node tree, side by side with Qt's own SVG module loading the same bytes.
// Qt's module is the baseline here only; the product never links it.
#include "vector/SVGParser.h"

#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QSvgRenderer>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

// A deterministic document of 5,000 paths of every command kind, with paints, strokes and
// transforms.
QByteArray generatedPathsDocument() {
    std::uint32_t seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(range));
    };
    QByteArray markup = R"(<svg xmlns="http://www.w3.org/2000/svg" width="1000" height="1000" )"
                        R"(viewBox="0 0 1000 1000"><g stroke-linecap="round">)";
    for (int index = 0; index < 5000; ++index) {
        const int x = next(1000);
        const int y = next(1000);
        markup +=
            QStringLiteral(R"~(<path d="M%1 %2 L%3 %4 C%5,%6 %7,%8 %9,%10 Q%11 %12 %13 %14 )~"
                           R"~(a10 5 0 1 0 %15 %16 h-12.5 v8.25 z" fill="#%17" stroke="#%18" )~"
                           R"~(stroke-width="1.5" transform="translate(%19 %20) rotate(%21)"/>)~")
                .arg(x)
                .arg(y)
                .arg(x + next(50))
                .arg(y + next(50))
                .arg(x - next(40))
                .arg(y + next(40))
                .arg(x + next(40))
                .arg(y - next(40))
                .arg(x + next(60))
                .arg(y + next(60))
                .arg(x + next(30))
                .arg(y + next(30))
                .arg(x - next(30))
                .arg(y - next(30))
                .arg(next(20))
                .arg(next(20))
                .arg(next(0x1000000), 6, 16, QLatin1Char('0'))
                .arg(next(0x1000000), 6, 16, QLatin1Char('0'))
                .arg(next(10))
                .arg(next(10))
                .arg(next(360))
                .toUtf8();
    }
    markup += "</g></svg>";
    return markup;
}

const QByteArray& generatedPaths() {
    static const QByteArray document = generatedPathsDocument();
    return document;
}

// The application's icon files; the line-icon document of the tests stands in while the
// bundle has none.
struct IconSet {
    QList<QByteArray> documents;
    qint64 bytes = 0;
    bool standIn = false;
};

const IconSet& applicationIcons() {
    static const IconSet icons = [] {
        IconSet set;
        QDirIterator files(QStringLiteral(MARLOX_SOURCE_DIR "/resources/Icons"),
                           {QStringLiteral("*.svg")}, QDir::Files, QDirIterator::Subdirectories);
        QStringList paths;
        while (files.hasNext()) {
            paths.append(files.next());
        }
        if (paths.isEmpty()) {
            paths.append(QStringLiteral(MARLOX_SOURCE_DIR "/tests/vector/data/line-icon.svg"));
            set.standIn = true;
        }
        for (const QString& path : paths) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) {
                set.documents.append(file.readAll());
                set.bytes += set.documents.back().size();
            }
        }
        return set;
    }();
    return icons;
}

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
    state.SetLabel(QStringLiteral("%1 files%2")
                       .arg(icons.documents.size())
                       .arg(icons.standIn ? QStringLiteral(", stand-in") : QString())
                       .toStdString());
    parseWithMarlox(state, icons.documents, icons.bytes);
}

void BM_ApplicationIcons_QtSvg(benchmark::State& state) {
    const IconSet& icons = applicationIcons();
    state.SetLabel(QStringLiteral("%1 files").arg(icons.documents.size()).toStdString());
    loadWithQtSvg(state, icons.documents, icons.bytes);
}

} // namespace

BENCHMARK(BM_GeneratedPaths_Marlox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneratedPaths_QtSvg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplicationIcons_Marlox)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplicationIcons_QtSvg)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    // Qt's module wants a GUI application; nothing is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
