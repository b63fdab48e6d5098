#include "vector/SVGPath.h"

#include "vector/SVGPathBuilder.h"

namespace marlox::vector {

SVGPath::SVGPath(QList<PathSegment> segments, Qt::FillRule fillRule)
    : m_segments(std::move(segments)), m_fillRule(fillRule) {}

void SVGPath::setSegments(QList<PathSegment> segments) {
    publish(m_segments, std::move(segments), &SVGPath::segmentsChanged);
}

void SVGPath::setFillRule(Qt::FillRule fillRule) {
    publish(m_fillRule, fillRule, &SVGPath::fillRuleChanged);
}

SVGBezierPath SVGPath::toBezierPath() const {
    return marlox::vector::toBezierPath(m_segments);
}

QRectF SVGPath::frame() const {
    return toBezierPath().boundingBox();
}

QRectF SVGPath::bounds() const {
    return toBezierPath().boundingBox();
}

} // namespace marlox::vector
