#pragma once

#include <QString>

namespace marlox::vector {

// A length in user units, or a percentage of a reference size.
class SVGLength {
public:
    enum class Unit { percent, pixels };

    static constexpr SVGLength percent(double value) { return {Unit::percent, value}; }
    static constexpr SVGLength pixels(double value) { return {Unit::pixels, value}; }

    constexpr SVGLength() = default;

    Unit unit() const { return m_unit; }
    double value() const { return m_value; }
    bool isPercent() const { return m_unit == Unit::percent; }

    // Pixels as they are; a percentage p as total * p / 100.
    double toPixels(double total) const;
    // The number's text form, followed by "%" for a percentage.
    QString toString() const;

    bool operator==(const SVGLength& other) const = default;

private:
    constexpr SVGLength(Unit unit, double value) : m_unit(unit), m_value(value) {}

    Unit m_unit = Unit::pixels;
    double m_value = 0;
};

} // namespace marlox::vector
