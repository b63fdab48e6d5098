#include "SVGOutlines.h"

#include "vector/SVGBezierPath.h"
#include "vector/SVGPath.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"

#include <QFont>

#include <algorithm>

namespace marlox::vector::drawing {
namespace {

// Clockwise from the rightmost point, as a circle's or an ellipse's outline runs, so that a dash
// pattern starts there.
QPainterPath ellipseOutline(double cx, double cy, double rx, double ry) {
    constexpr double kappa = 0.5522847498307936;
    QPainterPath path;
    path.moveTo(cx + rx, cy);
    path.cubicTo(cx + rx, cy + ry * kappa, cx + rx * kappa, cy + ry, cx, cy + ry);
    path.cubicTo(cx - rx * kappa, cy + ry, cx - rx, cy + ry * kappa, cx - rx, cy);
    path.cubicTo(cx - rx, cy - ry * kappa, cx - rx * kappa, cy - ry, cx, cy - ry);
    path.cubicTo(cx + rx * kappa, cy - ry, cx + rx, cy - ry * kappa, cx + rx, cy);
    path.closeSubpath();
    return path;
}

QPainterPath rectOutline(const SVGRect& rect) {
    const QRectF box(rect.x(), rect.y(), rect.width(), rect.height());
    // Radii beyond half a side are clamped to it; a zero radius in either direction gives
    // square corners.
    const double rx = std::clamp(rect.rx(), 0.0, box.width() / 2);
    const double ry = std::clamp(rect.ry(), 0.0, box.height() / 2);
    const bool rounded = rx > 0 && ry > 0;
    return SVGBezierPath::roundedRect(box, rounded ? RectCorner::allCorners : RectCorner::none,
                                      QSizeF(rx, ry))
        .toPainterPath();
}

QFont textFont(const SVGText& text) {
    return text.font() ? text.font()->toQFont() : QFont();
}

QList<QPointF> zeroLengthSubpaths(const SVGBezierPath& path) {
    using Kind = SVGBezierPath::Element::Kind;
    QList<QPointF> dots;
    std::optional<QPointF> start;
    bool hasSegment = false;
    bool staysAtStart = true;
    const auto endSubpath = [&] {
        if (start && hasSegment && staysAtStart) {
            dots.append(*start);
        }
    };
    for (const SVGBezierPath::Element& element : path.elements()) {
        if (element.kind == Kind::moveTo) {
            endSubpath();
            start = element.points[0];
            hasSegment = false;
            staysAtStart = true;
            continue;
        }
        hasSegment = true;
        const int pointCount = element.kind == Kind::curveTo  ? 3
                               : element.kind == Kind::lineTo ? 1
                                                              : 0;
        for (int index = 0; index < pointCount; ++index) {
            staysAtStart = staysAtStart && start && element.points[index] == *start;
        }
    }
    endSubpath();
    return dots;
}

Outline bezierOutline(const SVGBezierPath& path) {
    return {path.toPainterPath(), zeroLengthSubpaths(path)};
}

} // namespace

std::optional<Outline> outlineOf(const SVGNode& node) {
    Outline outline;
    switch (node.kind()) {
    case SVGNodeKind::rect: {
        const auto& rect = static_cast<const SVGRect&>(node);
        if (!(rect.width() > 0 && rect.height() > 0)) {
            return std::nullopt;
        }
        outline.path = rectOutline(rect);
        break;
    }
    case SVGNodeKind::circle: {
        const auto& circle = static_cast<const SVGCircle&>(node);
        if (!(circle.r() > 0)) {
            return std::nullopt;
        }
        outline.path = ellipseOutline(circle.cx(), circle.cy(), circle.r(), circle.r());
        break;
    }
    case SVGNodeKind::ellipse: {
        const auto& ellipse = static_cast<const SVGEllipse&>(node);
        if (!(ellipse.rx() > 0 && ellipse.ry() > 0)) {
            return std::nullopt;
        }
        outline.path = ellipseOutline(ellipse.cx(), ellipse.cy(), ellipse.rx(), ellipse.ry());
        break;
    }
    case SVGNodeKind::line:
        outline = bezierOutline(static_cast<const SVGLine&>(node).toBezierPath());
        break;
    case SVGNodeKind::polygon:
    case SVGNodeKind::polyline:
        outline = bezierOutline(static_cast<const SVGPointListShape&>(node).toBezierPath());
        break;
    case SVGNodeKind::path: {
        const auto& path = static_cast<const SVGPath&>(node);
        outline = bezierOutline(path.toBezierPath());
        outline.path.setFillRule(path.fillRule());
        break;
    }
    case SVGNodeKind::text: {
        const auto& text = static_cast<const SVGText&>(node);
        if (text.text().isEmpty()) {
            return std::nullopt;
        }
        // The anchor sits at x = 0, the first baseline at y = 0.
        outline.path.addText(QPointF(text.frame().x(), 0), textFont(text), text.text());
        break;
    }
    default:
        return std::nullopt;
    }
    if (outline.path.isEmpty() && outline.dots.isEmpty()) {
        return std::nullopt;
    }
    return outline;
}

QPainterPath capsOfDots(const QList<QPointF>& dots, const SVGStroke& stroke) {
    QPainterPath caps;
    const double half = stroke.width() / 2;
    for (const QPointF& dot : dots) {
        if (stroke.cap() == SVGLineCap::round) {
            caps.addEllipse(dot, half, half);
        } else if (stroke.cap() == SVGLineCap::square) {
            caps.addRect(QRectF(dot.x() - half, dot.y() - half, stroke.width(), stroke.width()));
        }
    }
    return caps;
}

} // namespace marlox::vector::drawing
