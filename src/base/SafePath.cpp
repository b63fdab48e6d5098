#include "SafePath.h"

#include <QDir>

namespace marlox::base {

bool isSafePathComponent(const QString& text) {
    if (text.isEmpty() || text == u"." || text == u"..") {
        return false;
    }
    return !text.contains(QLatin1Char('/')) && !text.contains(QChar(u'\0'));
}

bool isPathWithin(const QString& path, const QString& folder) {
    const QString cleanPath = QDir::cleanPath(path);
    const QString cleanFolder = QDir::cleanPath(folder);
    if (cleanPath.isEmpty() || cleanFolder.isEmpty()) {
        return false;
    }
    if (cleanPath == cleanFolder || cleanFolder == QLatin1String("/")) {
        return cleanPath.startsWith(cleanFolder);
    }
    return cleanPath.startsWith(cleanFolder + QLatin1Char('/'));
}

} // namespace marlox::base
