#include "vector/SVGConstants.h"

#include "vector/SVGNames.h"

#include <array>

namespace marlox::vector {

const QStringList& SVGConstants::styleAttributes() {
    static const QStringList names = {
        QStringLiteral("stroke"),
        QStringLiteral("stroke-width"),
        QStringLiteral("stroke-opacity"),
        QStringLiteral("stroke-dasharray"),
        QStringLiteral("stroke-dashoffset"),
        QStringLiteral("stroke-linecap"),
        QStringLiteral("stroke-linejoin"),
        QStringLiteral("stroke-miterlimit"),
        QStringLiteral("fill"),
        QStringLiteral("fill-rule"),
        QStringLiteral("fill-opacity"),
        QStringLiteral("mask"),
        QStringLiteral("color"),
        QStringLiteral("stop-color"),
        QStringLiteral("stop-opacity"),
        QStringLiteral("font-family"),
        QStringLiteral("font-size"),
        QStringLiteral("font-weight"),
        QStringLiteral("text-anchor"),
        QStringLiteral("visibility"),
        QStringLiteral("display"),
    };
    return names;
}

bool SVGConstants::isStyleAttribute(QStringView name) {
    // The names grouped by length: a lookup compares only names of the same length.
    static constexpr qsizetype longest = 17;
    static const std::array<QStringList, longest + 1> namesByLength = [] {
        std::array<QStringList, longest + 1> byLength;
        for (const QString& styleName : styleAttributes()) {
            byLength[styleName.size()].append(styleName);
        }
        return byLength;
    }();
    static const quint64 styleNameBits = [] {
        quint64 bits = 0;
        for (const QString& styleName : styleAttributes()) {
            bits |= nameBit(styleName);
        }
        return bits;
    }();
    if (name.size() > longest || !(styleNameBits & nameBit(name))) {
        return false;
    }
    for (const QString& styleName : namesByLength[name.size()]) {
        if (styleName.front() == name.front() && styleName.back() == name.back() &&
            styleName == name) {
            return true;
        }
    }
    return false;
}

} // namespace marlox::vector
