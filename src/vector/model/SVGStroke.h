#pragma once

#include "vector/SVGPaint.h"

#include <QList>
#include <QPen>

#include <memory>

namespace marlox::vector {

enum class SVGLineCap { butt, round, square };
enum class SVGLineJoin { miter, round, bevel };

// The outline style of a shape or a text. Never changes after construction; shared freely.
class SVGStroke {
public:
    SVGStroke(std::shared_ptr<const SVGPaint> fill, double width, SVGLineCap cap, SVGLineJoin join,
              double miterLimit, QList<double> dashes, double offset);

    // The paint of the outline.
    const std::shared_ptr<const SVGPaint>& fill() const { return m_fill; }
    double width() const { return m_width; }
    SVGLineCap cap() const { return m_cap; }
    SVGLineJoin join() const { return m_join; }
    // The longest miter as a multiple of the line width; a longer one becomes a bevel.
    double miterLimit() const { return m_miterLimit; }
    // Lengths drawn and skipped in turn; empty for a solid line.
    const QList<double>& dashes() const { return m_dashes; }
    double offset() const { return m_offset; }

    // The style of the outline without its paint, which the caller lays on separately. A width
    // of zero or less gives a pen that draws nothing.
    QPen toQPen() const;

private:
    std::shared_ptr<const SVGPaint> m_fill;
    double m_width = 1;
    SVGLineCap m_cap = SVGLineCap::butt;
    SVGLineJoin m_join = SVGLineJoin::miter;
    double m_miterLimit = 4;
    QList<double> m_dashes;
    double m_offset = 0;
};

} // namespace marlox::vector
