#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <string>

namespace marlox::bench {

// A deterministic document of 5,000 paths of every command kind, with paints, strokes and
// transforms, made once.
const QByteArray& generatedPaths();

// How every path of a generated outline document is painted: an opaque fill under a black stroke
// 0.5 wide, the same with the fill at opacity 0.8, or the same with the whole path at opacity 0.8.
enum class OutlinePaint { opaque, fillOpacity, elementOpacity };
inline constexpr OutlinePaint outlinePaints[] = {OutlinePaint::opaque, OutlinePaint::fillOpacity,
                                                 OutlinePaint::elementOpacity};
// The name benchmarks and files give the way: "opaque", "fill-opacity" or "opacity".
const char* outlinePaintName(OutlinePaint paint);

// A deterministic 512 by 512 document of `count` closed outlines of four cubic curves each, in
// random colours.
QByteArray generatedOutlines(int count, OutlinePaint paint);

// The application's icon files; stand-ins of the same kind while the bundle has none.
struct IconSet {
    QList<QByteArray> documents;
    qint64 bytes = 0;
    bool standIn = false;

    // How many files, and whether they are stand-ins.
    std::string label() const;
};

const IconSet& applicationIcons();

// Runs the registered benchmarks inside a GUI application that shows nothing: Qt's SVG module
// and the glyphs of text want one.
int runWithGuiApplication(int argc, char** argv);

} // namespace marlox::bench
