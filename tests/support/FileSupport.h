#pragma once

#include "support/ScratchHome.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace marlox::testing {

// Every path under the folder, relative and sorted; hidden ones, unfollowed and broken links and
// special files included.
inline QStringList treeOf(const QString& folder) {
    QStringList paths;
    QDirIterator iterator(folder,
                          QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                          QDirIterator::Subdirectories);
    while (iterator.hasNext()) {
        paths.append(QDir(folder).relativeFilePath(iterator.next()));
    }
    paths.sort();
    return paths;
}

// Nothing stands for no file.
inline std::optional<QByteArray> contentsOf(const QString& path) {
    return QFileInfo(path).isFile() ? std::optional(readFile(path)) : std::nullopt;
}
inline void setContents(const QString& path, const std::optional<QByteArray>& contents) {
    QFile::remove(path);
    if (contents) {
        writeFile(path, *contents);
    }
}

} // namespace marlox::testing
