#include "vector/SVGStroke.h"

#include <algorithm>
#include <cmath>

namespace marlox::vector {

namespace {

Qt::PenCapStyle penCap(SVGLineCap cap) {
    switch (cap) {
    case SVGLineCap::round:
        return Qt::RoundCap;
    case SVGLineCap::square:
        return Qt::SquareCap;
    case SVGLineCap::butt:
        break;
    }
    return Qt::FlatCap;
}

Qt::PenJoinStyle penJoin(SVGLineJoin join) {
    switch (join) {
    case SVGLineJoin::round:
        return Qt::RoundJoin;
    case SVGLineJoin::bevel:
        return Qt::BevelJoin;
    case SVGLineJoin::miter:
        break;
    }
    // A miter beyond the limit becomes a bevel, as in the SVG join; Qt's plain miter join would
    // cut it off at the limit instead.
    return Qt::SvgMiterJoin;
}

// A dash list Qt can draw: an odd list repeated once, lengths in pen widths. A list with a
// negative length or nothing to draw gives a solid line (Qt would loop or draw nothing). Qt
// leaves out dashes of no length, whose round or square caps still draw a dot or a square: they
// get a length too small to see, taken from the gap after them.
QList<qreal> penDashPattern(const QList<double>& dashes, double width, SVGLineCap cap) {
    QList<qreal> pattern;
    double total = 0;
    for (const double length : dashes) {
        if (!std::isfinite(length) || length < 0) {
            return {};
        }
        total += length;
    }
    if (!(total > 0)) {
        return {};
    }
    const int repeats = dashes.size() % 2 == 0 ? 1 : 2;
    for (int repeat = 0; repeat < repeats; ++repeat) {
        for (const double length : dashes) {
            pattern.append(length / width);
        }
    }
    if (cap != SVGLineCap::butt) {
        constexpr qreal dotLength = 1e-6;
        for (qsizetype dash = 0; dash < pattern.size(); dash += 2) {
            if (pattern[dash] == 0) {
                pattern[dash] = dotLength;
                pattern[dash + 1] = std::max<qreal>(pattern[dash + 1] - dotLength, 0);
            }
        }
    }
    return pattern;
}

} // namespace

SVGStroke::SVGStroke(std::shared_ptr<const SVGPaint> fill, double width, SVGLineCap cap,
                     SVGLineJoin join, double miterLimit, QList<double> dashes, double offset)
    : m_fill(std::move(fill)), m_width(width), m_cap(cap), m_join(join), m_miterLimit(miterLimit),
      m_dashes(std::move(dashes)), m_offset(offset) {}

QPen SVGStroke::toQPen() const {
    // Qt draws a one-pixel cosmetic line for width 0; nothing is what is meant.
    if (!(m_width > 0) || !std::isfinite(m_width)) {
        return QPen(Qt::NoPen);
    }
    QPen pen;
    pen.setWidthF(m_width);
    pen.setCapStyle(penCap(m_cap));
    pen.setJoinStyle(penJoin(m_join));
    // Qt's limit is the same ratio of the miter's length to the line width.
    pen.setMiterLimit(m_miterLimit);
    const QList<qreal> pattern = penDashPattern(m_dashes, m_width, m_cap);
    if (!pattern.isEmpty()) {
        pen.setDashPattern(pattern);
        pen.setDashOffset(m_offset / m_width);
    }
    return pen;
}

} // namespace marlox::vector
