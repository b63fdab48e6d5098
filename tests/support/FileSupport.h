#pragma once

// File helpers the catalog and tools tests share.

#include "support/ScratchHome.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::testing {

// Every path under the folder, relative to it and sorted, hidden ones and links included but not
// followed.
inline QStringList treeOf(const QString& folder) {
    QStringList paths;
    QDirIterator iterator(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                          QDirIterator::Subdirectories);
    while (iterator.hasNext()) {
        paths.append(QDir(folder).relativeFilePath(iterator.next()));
    }
    paths.sort();
    return paths;
}

// What the file holds, or nothing when there is no file.
inline std::optional<QByteArray> contentsOf(const QString& path) {
    return QFileInfo(path).isFile() ? std::optional(readFile(path)) : std::nullopt;
}

// Makes the file hold `contents`, or removes it when there are none.
inline void setContents(const QString& path, const std::optional<QByteArray>& contents) {
    QFile::remove(path);
    if (contents) {
        writeFile(path, *contents);
    }
}

} // namespace marlox::testing
