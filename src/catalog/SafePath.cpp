#include "SafePath.h"

namespace marlox::catalog {

bool isSafePathComponent(const QString& text) {
    if (text.isEmpty() || text == u"." || text == u"..") {
        return false;
    }
    return !text.contains(QLatin1Char('/')) && !text.contains(QChar(u'\0'));
}

} // namespace marlox::catalog
