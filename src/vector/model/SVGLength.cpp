#include "vector/SVGLength.h"

#include "vector/SVGSerialize.h"

namespace marlox::vector {

double SVGLength::toPixels(double total) const {
    return m_unit == Unit::pixels ? m_value : total * m_value / 100;
}

QString SVGLength::toString() const {
    return m_unit == Unit::percent ? serialize(m_value) + QLatin1Char('%') : serialize(m_value);
}

} // namespace marlox::vector
