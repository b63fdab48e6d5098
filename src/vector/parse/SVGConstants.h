#pragma once

#include <QStringList>
#include <QStringView>

namespace marlox::vector {

struct SVGConstants {
    // The names taken from presentation attributes into the styles; every other attribute is a
    // property of its element alone.
    static const QStringList& styleAttributes();
    static bool isStyleAttribute(QStringView name);
};

} // namespace marlox::vector
