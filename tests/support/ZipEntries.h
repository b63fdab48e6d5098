#pragma once

#include "support/ZipWriter.h"

#include <QStringList>

namespace marlox::testing {

// Writes a zip archive of entries given as text: "name" is a file holding `contents`, "name/" a
// folder and "name -> target" a symbolic link. False when the archive could not be written.
inline bool writeZip(const QString& path, const QStringList& entries,
                     const QByteArray& contents = "x") {
    ZipWriter zip(path);
    for (const QString& entry : entries) {
        if (const QStringList link = entry.split(" -> "); link.size() == 2) {
            zip.addSymbolicLink(link[0], link[1]);
        } else if (entry.endsWith('/')) {
            zip.addDirectory(entry);
        } else {
            zip.addFile(entry, contents);
        }
    }
    return zip.close();
}

} // namespace marlox::testing
