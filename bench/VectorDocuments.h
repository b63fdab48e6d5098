#pragma once

#include <QByteArray>
#include <QList>

namespace marlox::bench {

// A deterministic document of 5,000 paths of every command kind, with paints, strokes and
// transforms, made once.
const QByteArray& generatedPaths();

// The application's icon files; stand-ins of the same kind while the bundle has none.
struct IconSet {
    QList<QByteArray> documents;
    qint64 bytes = 0;
    bool standIn = false;
};

const IconSet& applicationIcons();

} // namespace marlox::bench
