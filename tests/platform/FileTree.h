#pragma once

#include <QDir>
#include <QDirIterator>
#include <QString>
#include <QStringList>

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

} // namespace marlox::testing
