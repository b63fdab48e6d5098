#pragma once

#include "vector/SVGRootContext.h"

#include <QStringView>

#include <functional>
#include <optional>

namespace marlox::vector {

// Writes "SVG parsing error. Unit "<unit>" is not supported".
void reportUnsupportedUnit(QStringView unit);

// Which screen size a percentage is taken of.
enum class SVGLengthAxis { x, y, all };

// Reads a length with its unit into pixels.
class SVGLengthParser {
public:
    // The font size em and ex refer to, asked for only when a length has one of those units;
    // without it (or when it has none) the document's default font size.
    using FontSize = std::function<std::optional<double>()>;

    SVGLengthParser(SVGLengthAxis axis, bool isFontRelative)
        : m_axis(axis), m_isFontRelative(isFontRelative) {}

    SVGLengthAxis axis() const { return m_axis; }
    bool isFontRelative() const { return m_isFontRelative; }

    std::optional<double> parse(QStringView text, const SVGRootContext& rootContext,
                                const FontSize& fontSize = {}) const;

    static const SVGLengthParser& horizontal();
    static const SVGLengthParser& vertical();
    static const SVGLengthParser& radial();
    static const SVGLengthParser& fontSize();

private:
    SVGLengthAxis m_axis;
    bool m_isFontRelative;
};

} // namespace marlox::vector
