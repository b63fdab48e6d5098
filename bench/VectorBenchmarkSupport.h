#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <string>

namespace marlox::bench {

// A deterministic document of 5,000 paths of every command kind, with paints, strokes and
// transforms, made once.
const QByteArray& generatedPaths();

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
