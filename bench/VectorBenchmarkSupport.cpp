#include "VectorBenchmarkSupport.h"

#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace marlox::bench {

// A deterministic document of 5,000 paths of every command kind, with paints, strokes and
// transforms.
namespace {

// Whole numbers from 0 up to a range, the same sequence on every machine.
class Numbers {
public:
    int operator()(int range) {
        m_seed = m_seed * 1664525u + 1013904223u;
        return static_cast<int>((m_seed >> 8) % static_cast<std::uint32_t>(range));
    }

private:
    std::uint32_t m_seed = 12345;
};

QByteArray generatedPathsDocument() {
    Numbers next;
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

const char* outlinePaintAttributes(OutlinePaint paint) {
    switch (paint) {
    case OutlinePaint::opaque:
        return "";
    case OutlinePaint::fillOpacity:
        return R"( fill-opacity="0.8")";
    case OutlinePaint::elementOpacity:
        return R"( opacity="0.8")";
    }
    return "";
}

// Four cubic curves around a centre, each corner at its own distance from it.
QString cubicOutline(Numbers& next) {
    const double cx = next(512);
    const double cy = next(512);
    const double radius = 6 + next(30);
    const auto corner = [&](double dx, double dy) {
        const double scale = radius * (70 + next(60)) / 100.0;
        return QPointF(cx + dx * scale, cy + dy * scale);
    };
    const QPointF corners[] = {corner(1, 0), corner(0, 1), corner(-1, 0), corner(0, -1)};
    QString outline = QStringLiteral("M%1 %2").arg(corners[0].x()).arg(corners[0].y());
    for (int index = 0; index < 4; ++index) {
        const QPointF from = corners[index];
        const QPointF to = corners[(index + 1) % 4];
        // Control points pushed outwards from the chord, so that each side bulges.
        const QPointF bulge = (from + to) / 2 - QPointF(cx, cy);
        const QPointF first = from + (to - from) / 3 + bulge * (next(80) / 100.0);
        const QPointF second = from + (to - from) * 2 / 3 + bulge * (next(80) / 100.0);
        outline += QStringLiteral(" C%1 %2 %3 %4 %5 %6")
                       .arg(first.x())
                       .arg(first.y())
                       .arg(second.x())
                       .arg(second.y())
                       .arg(to.x())
                       .arg(to.y());
    }
    return outline + QStringLiteral(" Z");
}

// In a fixed order, so that runs compare.
QStringList svgFilesBelow(const QString& folder) {
    QDirIterator files(folder, {QStringLiteral("*.svg")}, QDir::Files,
                       QDirIterator::Subdirectories);
    QStringList paths;
    while (files.hasNext()) {
        paths.append(files.next());
    }
    paths.sort();
    return paths;
}

} // namespace

const QByteArray& generatedPaths() {
    static const QByteArray document = generatedPathsDocument();
    return document;
}

const char* outlinePaintName(OutlinePaint paint) {
    switch (paint) {
    case OutlinePaint::opaque:
        return "opaque";
    case OutlinePaint::fillOpacity:
        return "fill-opacity";
    case OutlinePaint::elementOpacity:
        return "opacity";
    }
    return "";
}

QByteArray generatedOutlines(int count, OutlinePaint paint) {
    Numbers next;
    QByteArray markup = R"(<svg xmlns="http://www.w3.org/2000/svg" width="512" height="512" )"
                        R"(viewBox="0 0 512 512">)";
    const char* attributes = outlinePaintAttributes(paint);
    for (int index = 0; index < count; ++index) {
        const QString outline = cubicOutline(next);
        markup += QStringLiteral(R"(<path d="%1" fill="#%2" stroke="black" stroke-width="0.5"%3/>)")
                      .arg(outline)
                      .arg(next(0x1000000), 6, 16, QLatin1Char('0'))
                      .arg(QLatin1String(attributes))
                      .toUtf8();
        markup += '\n';
    }
    markup += "</svg>\n";
    return markup;
}

const IconSet& applicationIcons() {
    static const IconSet icons = [] {
        IconSet set;
        QStringList paths = svgFilesBelow(QStringLiteral(MARLOX_SOURCE_DIR "/resources/Icons"));
        if (paths.isEmpty()) {
            paths = svgFilesBelow(QStringLiteral(MARLOX_SOURCE_DIR "/bench/data/icons"));
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

std::string IconSet::label() const {
    return QStringLiteral("%1 files%2")
        .arg(documents.size())
        .arg(standIn ? QStringLiteral(", stand-ins") : QString())
        .toStdString();
}

int runWithGuiApplication(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace marlox::bench
