#include "vector/SVGFont.h"

#include <algorithm>
#include <cmath>

namespace marlox::vector {

SVGFont::SVGFont(QString name, double size, QString weight)
    : m_name(std::move(name)), m_size(size), m_weight(std::move(weight)) {}

QFont SVGFont::toQFont() const {
    QFont font(m_name);
    // A size in user units is a size in pixels; Qt takes whole pixels and at least one.
    const double pixels = std::isfinite(m_size) ? std::round(m_size) : 1.0;
    font.setPixelSize(int(std::clamp(pixels, 1.0, 10'000.0)));
    return font;
}

} // namespace marlox::vector
