#include "vector/SVGBezierPath.h"

#include "vector/SVGGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace marlox::vector {

namespace {

constexpr double degreesPerRadian = 57.29577951308232;
// Distance of each control point of a rounded corner from the sharp corner, as a fraction of
// the radius.
constexpr double cornerHandle = 0.447771526;

QPointF pointOnCircle(const QPointF& center, double radius, double angle) {
    return center + QPointF(std::cos(angle), std::sin(angle)) * radius;
}

// The parameters in (0, 1) where one coordinate of a cubic curve turns.
QList<double> turningParameters(double p0, double c1, double c2, double p3) {
    const double a = -p0 + 3 * c1 - 3 * c2 + p3;
    const double b = 2 * (p0 - 2 * c1 + c2);
    const double c = c1 - p0;
    QList<double> roots;
    if (std::abs(a) < 1e-12) {
        if (std::abs(b) > 1e-12) {
            roots.append(-c / b);
        }
    } else {
        const double discriminant = b * b - 4 * a * c;
        if (discriminant >= 0) {
            const double root = std::sqrt(discriminant);
            roots.append((-b + root) / (2 * a));
            roots.append((-b - root) / (2 * a));
        }
    }
    QList<double> inside;
    for (const double t : roots) {
        if (t > 0 && t < 1) {
            inside.append(t);
        }
    }
    return inside;
}

double cubicAt(double p0, double c1, double c2, double p3, double t) {
    const double u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * p3;
}

bool sameCoordinates(const QPointF& first, const QPointF& second) {
    return first.x() == second.x() && first.y() == second.y();
}

// Qt strokes a subpath that ends where it began as if it were closed, joining its ends instead
// of capping them. An open one is ended a hair short of its start, back towards the point before
// its end, which no drawing shows but keeps its two caps.
void endShortOfStart(QPainterPath& path, const QPointF& before) {
    const int last = path.elementCount() - 1;
    const QPointF end = path.elementAt(last);
    const QPointF back = before - end;
    const double length = std::hypot(back.x(), back.y());
    const double scale = std::max({1.0, std::abs(end.x()), std::abs(end.y())});
    const QPointF moved = end + back * (std::min(length / 2, scale * 1e-6) / length);
    path.setElementPositionAt(last, moved.x(), moved.y());
}

} // namespace

SVGBezierPath SVGBezierPath::arc(const QPointF& center, double radius, double startAngle,
                                 double endAngle, bool clockwise) {
    SVGBezierPath path;
    // Clockwise on a y-down screen is the direction of growing angles.
    path.appendArc(center, radius, startAngle * degreesPerRadian, endAngle * degreesPerRadian,
                   !clockwise);
    return path;
}

SVGBezierPath SVGBezierPath::roundedRect(const QRectF& rect, MRectCorner corners,
                                         const QSizeF& radii) {
    const QRectF box = rect.normalized();
    const double x0 = box.left();
    const double y0 = box.top();
    const double x1 = box.right();
    const double y1 = box.bottom();
    const double rw = radii.width();
    const double rh = radii.height();
    const double k = cornerHandle;

    SVGBezierPath path;
    path.moveTo(corners.testFlag(RectCorner::topLeft) ? QPointF(x0 + rw, y0) : QPointF(x0, y0));
    if (corners.testFlag(RectCorner::topRight)) {
        path.lineTo({x1 - rw, y0});
        path.curveTo({x1 - rw * k, y0}, {x1, y0 + rh * k}, {x1, y0 + rh});
    } else {
        path.lineTo({x1, y0});
    }
    if (corners.testFlag(RectCorner::bottomRight)) {
        path.lineTo({x1, y1 - rh});
        path.curveTo({x1, y1 - rh * k}, {x1 - rw * k, y1}, {x1 - rw, y1});
    } else {
        path.lineTo({x1, y1});
    }
    if (corners.testFlag(RectCorner::bottomLeft)) {
        path.lineTo({x0 + rw, y1});
        path.curveTo({x0 + rw * k, y1}, {x0, y1 - rh * k}, {x0, y1 - rh});
    } else {
        path.lineTo({x0, y1});
    }
    if (corners.testFlag(RectCorner::topLeft)) {
        path.lineTo({x0, y0 + rh});
        path.curveTo({x0, y0 + rh * k}, {x0 + rw * k, y0}, {x0 + rw, y0});
    } else {
        path.lineTo({x0, y0});
    }
    path.closePath();
    return path;
}

void SVGBezierPath::moveTo(const QPointF& point) {
    m_elements.append({Element::Kind::moveTo, {point, QPointF(), QPointF()}});
    m_currentPoint = point;
    m_subpathStart = point;
}

void SVGBezierPath::ensureCurrentPoint() {
    if (!m_currentPoint) {
        moveTo(QPointF(0, 0));
    }
}

void SVGBezierPath::lineTo(const QPointF& point) {
    ensureCurrentPoint();
    m_elements.append({Element::Kind::lineTo, {point, QPointF(), QPointF()}});
    m_currentPoint = point;
}

void SVGBezierPath::curveTo(const QPointF& control1, const QPointF& control2, const QPointF& end) {
    ensureCurrentPoint();
    m_elements.append({Element::Kind::curveTo, {control1, control2, end}});
    m_currentPoint = end;
}

void SVGBezierPath::closePath() {
    m_elements.append({Element::Kind::closePath, {}});
    if (m_subpathStart) {
        m_currentPoint = m_subpathStart;
    }
}

void SVGBezierPath::appendArc(const QPointF& center, double radius, double startAngle,
                              double endAngle, bool clockwise) {
    if (!std::isfinite(center.x()) || !std::isfinite(center.y()) || !std::isfinite(radius) ||
        !std::isfinite(startAngle) || !std::isfinite(endAngle)) {
        return;
    }
    // The end angle moves by whole turns to the arc's side of the start angle.
    double sweep = endAngle - startAngle;
    if (!clockwise && sweep < 0) {
        sweep += 360 * std::ceil(-sweep / 360);
    } else if (clockwise && sweep > 0) {
        sweep -= 360 * std::ceil(sweep / 360);
    }
    // More than one turn redraws the same circle: one full turn and the rest are enough.
    if (std::abs(sweep) > 360) {
        sweep = std::copysign(360 + std::fmod(std::abs(sweep), 360), sweep);
    }

    const double start = startAngle / degreesPerRadian;
    const double total = sweep / degreesPerRadian;
    const QPointF arcStart = pointOnCircle(center, radius, start);
    if (m_currentPoint) {
        lineTo(arcStart);
    } else {
        moveTo(arcStart);
    }

    // Quarter turns; the small allowance keeps an exact quarter from becoming two pieces.
    const int pieces =
        total == 0 ? 0
                   : std::max(1, int(std::ceil(std::abs(total) / (std::numbers::pi / 2) - 1e-9)));
    for (int piece = 0; piece < pieces; ++piece) {
        const double from = start + total * piece / pieces;
        const double to = start + total * (piece + 1) / pieces;
        // Each quarter turn or less is one cubic with handles of 4/3 tan(angle / 4).
        const double handle = 4.0 / 3.0 * std::tan((to - from) / 4) * radius;
        const QPointF p0 = pointOnCircle(center, radius, from);
        const QPointF p3 = pointOnCircle(center, radius, to);
        curveTo(p0 + QPointF(-std::sin(from), std::cos(from)) * handle,
                p3 - QPointF(-std::sin(to), std::cos(to)) * handle, p3);
    }
}

void SVGBezierPath::append(const SVGBezierPath& other) {
    for (const Element& element : other.m_elements) {
        switch (element.kind) {
        case Element::Kind::moveTo:
            moveTo(element.points[0]);
            break;
        case Element::Kind::lineTo:
            lineTo(element.points[0]);
            break;
        case Element::Kind::curveTo:
            curveTo(element.points[0], element.points[1], element.points[2]);
            break;
        case Element::Kind::closePath:
            closePath();
            break;
        }
    }
}

void SVGBezierPath::appendJoined(const SVGBezierPath& other) {
    if (other.isEmpty()) {
        return;
    }
    SVGBezierPath rest = other;
    const Element& first = other.m_elements.constFirst();
    if (first.kind == Element::Kind::moveTo && m_currentPoint) {
        lineTo(first.points[0]);
        rest.m_elements.removeFirst();
    }
    append(rest);
}

void SVGBezierPath::transform(const QTransform& transform) {
    for (Element& element : m_elements) {
        for (QPointF& point : element.points) {
            point = transform.map(point);
        }
    }
    if (m_currentPoint) {
        m_currentPoint = transform.map(*m_currentPoint);
    }
    if (m_subpathStart) {
        m_subpathStart = transform.map(*m_subpathStart);
    }
}

QRectF SVGBezierPath::boundingBox() const {
    if (m_elements.isEmpty()) {
        return nullRect();
    }
    double left = qInf();
    double top = qInf();
    double right = -qInf();
    double bottom = -qInf();
    const auto include = [&](const QPointF& point) {
        left = std::min(left, point.x());
        top = std::min(top, point.y());
        right = std::max(right, point.x());
        bottom = std::max(bottom, point.y());
    };
    bool hasPoint = false;
    QPointF current;
    QPointF subpathStart;
    for (const Element& element : m_elements) {
        hasPoint = hasPoint || element.kind != Element::Kind::closePath;
        switch (element.kind) {
        case Element::Kind::moveTo:
            subpathStart = element.points[0];
            [[fallthrough]];
        case Element::Kind::lineTo:
            current = element.points[0];
            include(current);
            break;
        case Element::Kind::curveTo: {
            const auto& [c1, c2, end] = element.points;
            for (const double t : turningParameters(current.x(), c1.x(), c2.x(), end.x())) {
                include({cubicAt(current.x(), c1.x(), c2.x(), end.x(), t),
                         cubicAt(current.y(), c1.y(), c2.y(), end.y(), t)});
            }
            for (const double t : turningParameters(current.y(), c1.y(), c2.y(), end.y())) {
                include({cubicAt(current.x(), c1.x(), c2.x(), end.x(), t),
                         cubicAt(current.y(), c1.y(), c2.y(), end.y(), t)});
            }
            current = end;
            include(current);
            break;
        }
        case Element::Kind::closePath:
            current = subpathStart;
            break;
        }
    }
    // A path of nothing but closes has no point to hold.
    if (!hasPoint) {
        return nullRect();
    }
    return QRectF(left, top, right - left, bottom - top);
}

QPainterPath SVGBezierPath::toPainterPath() const {
    QPainterPath path;
    path.reserve(int(m_elements.size()) * 2);
    // The subpath being written: where it starts and whether it is still open, the current point,
    // and the last point before the current one that differs from it.
    QPointF start;
    bool open = false;
    QPointF current;
    std::optional<QPointF> before;
    const auto moveOn = [&](const QPointF& point) {
        if (!sameCoordinates(point, current)) {
            before = current;
        }
        current = point;
    };
    for (const Element& element : m_elements) {
        switch (element.kind) {
        case Element::Kind::moveTo:
            if (open && before && current == start) {
                endShortOfStart(path, *before);
            }
            path.moveTo(element.points[0]);
            start = current = element.points[0];
            open = true;
            before.reset();
            break;
        case Element::Kind::lineTo:
            moveOn(element.points[0]);
            path.lineTo(element.points[0]);
            break;
        case Element::Kind::curveTo: {
            const QPointF& end = element.points[2];
            moveOn(end);
            // The end's direction comes from the last control point that stands apart from it.
            if (!sameCoordinates(element.points[1], end)) {
                before = element.points[1];
            } else if (!sameCoordinates(element.points[0], end)) {
                before = element.points[0];
            }
            path.cubicTo(element.points[0], element.points[1], end);
            break;
        }
        case Element::Kind::closePath:
            path.closeSubpath();
            // What follows without a move is a new subpath from the same start.
            current = start;
            before.reset();
            break;
        }
    }
    if (open && before && current == start) {
        endShortOfStart(path, *before);
    }
    return path;
}

} // namespace marlox::vector
