#include "vector/SVGPathBuilder.h"

#include "vector/SVGGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace marlox::vector {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double degreesPerRadian = 57.29577951308232;

// A circular arc about the origin, scaled to the radii, rotated and moved to the centre, added
// to the path as a continuation of its subpath. A separate subpath would break the outline: a
// later close would draw a line back to the arc's start.
void appendTransformedArc(SVGBezierPath& path, const QPointF& center, double radiusX,
                          double radiusY, double rotation, double startAngle, double sweep) {
    const double largest = std::max(2 * radiusX, 2 * radiusY);
    const double scaleX = 2 * radiusX / largest;
    const double scaleY = 2 * radiusY / largest;
    const double cosine = std::cos(rotation);
    const double sine = std::sin(rotation);
    // Points are scaled first, then rotated, then moved.
    const QTransform placement(cosine * scaleX, sine * scaleX, -sine * scaleY, cosine * scaleY,
                               center.x(), center.y());
    if (!isFinite(placement)) {
        return;
    }
    SVGBezierPath arc;
    arc.appendArc(QPointF(0, 0), largest / 2, startAngle * degreesPerRadian,
                  (startAngle + sweep) * degreesPerRadian, sweep < 0);
    arc.transform(placement);
    path.appendJoined(arc);
}

// The elliptical arc from one end point to the other, by way of its centre.
void appendEndpointArc(SVGBezierPath& path, const QPointF& from, const QPointF& to, double radiusX,
                       double radiusY, double rotationDegrees, double largeArcFlag,
                       double sweepFlag) {
    // Ends that coincide leave no arc to draw (and no centre to find).
    if (from == to) {
        return;
    }
    if (radiusX == 0 || radiusY == 0) {
        path.lineTo(to);
        return;
    }
    const double rotation = rotationDegrees * pi / 180;
    const bool largeArc = largeArcFlag > 0.5;
    const bool sweep = sweepFlag > 0.5;
    const double sine = std::sin(rotation);
    const double cosine = std::cos(rotation);
    const double halfDx = (from.x() - to.x()) / 2;
    const double halfDy = (from.y() - to.y()) / 2;
    const double x1 = cosine * halfDx + sine * halfDy;
    const double y1 = -sine * halfDx + cosine * halfDy;

    double rx = std::abs(radiusX);
    double ry = std::abs(radiusY);
    // Radii too small to reach both ends grow until they just do.
    const double reach = std::hypot(x1 / rx, y1 / ry);
    if (reach > 1) {
        rx *= reach;
        ry *= reach;
    }
    // The centre's distance factor, the root of (rx²ry² - rx²y1² - ry²x1²) / (rx²y1² + ry²x1²),
    // taken in ratios to the radii so that tiny or huge values cannot overflow on the way.
    const double spread = std::hypot(x1 / rx, y1 / ry);
    const double root = spread < 1 ? std::sqrt(1 - spread * spread) / spread : 0.0;
    const double k = (root > 0.01 && std::isfinite(root)) ? root : 0.0;
    const double sign = largeArc == sweep ? -1.0 : 1.0;
    const double centerX1 = sign * k * (y1 / ry) * rx;
    const double centerY1 = -sign * k * (x1 / rx) * ry;
    const QPointF center((from.x() + to.x()) / 2 + cosine * centerX1 - sine * centerY1,
                         (from.y() + to.y()) / 2 + sine * centerX1 + cosine * centerY1);

    const QPointF u((x1 - centerX1) / rx, (y1 - centerY1) / ry);
    const QPointF v((-x1 - centerX1) / rx, (-y1 - centerY1) / ry);
    const double uLength = std::hypot(u.x(), u.y());
    const double cosStart = u.x() / uLength;
    double startAngle = 0;
    if (cosStart < -1 || std::isnan(cosStart)) {
        startAngle = pi;
    } else if (cosStart <= 1) {
        startAngle = std::acos(cosStart);
    }
    if (std::signbit(u.y())) {
        startAngle = -startAngle;
    }

    double delta = 0;
    const double d = (u.x() * v.x() + u.y() * v.y()) / (uLength * std::hypot(v.x(), v.y()));
    if (!(d > 1)) {
        const double magnitude = (d < -1 || std::isnan(d)) ? pi : std::acos(d);
        delta = std::signbit(u.x() * v.y() - u.y() * v.x()) ? -magnitude : magnitude;
        if (delta > 0) {
            const double m = std::fmod(delta, 2 * pi);
            delta = sweep ? m : m - 2 * pi;
        } else if (delta < 0) {
            const double m = std::fmod(-delta, 2 * pi);
            delta = sweep ? 2 * pi - m : -m;
        }
    }

    if (!std::isfinite(center.x()) || !std::isfinite(center.y()) || !std::isfinite(startAngle) ||
        !std::isfinite(delta) || !std::isfinite(rx) || !std::isfinite(ry)) {
        path.lineTo(to);
        return;
    }
    if (2 * rx == 2 * ry && rotation == 0) {
        path.appendArc(center, rx, startAngle * degreesPerRadian,
                       (startAngle + delta) * degreesPerRadian, delta < 0);
        return;
    }
    appendTransformedArc(path, center, rx, ry, rotation, startAngle, delta);
}

// The arc of the ellipse inscribed in the box, from the start angle across the sweep.
void appendBoxArc(SVGBezierPath& path, const QRectF& box, double startAngle, double sweep) {
    const QPointF center(box.x() + box.width() / 2, box.y() + box.height() / 2);
    if (box.width() == box.height()) {
        path.appendArc(center, box.width() / 2, startAngle * degreesPerRadian,
                       (startAngle + sweep) * degreesPerRadian, sweep < 0);
        return;
    }
    appendTransformedArc(path, center, box.width() / 2, box.height() / 2, 0, startAngle, sweep);
}

QPointF reflected(const std::optional<QPointF>& control, const QPointF& about) {
    return control ? 2 * about - *control : about;
}

class PathBuilder {
public:
    SVGBezierPath build(const QList<PathSegment>& segments) {
        for (const PathSegment& segment : segments) {
            add(segment.type(), segment.data());
        }
        return std::move(m_path);
    }

private:
    void resetControlPoints() {
        m_lastCubicControl.reset();
        m_lastQuadraticControl.reset();
    }

    QPointF offset(bool relative) const {
        return relative && m_current ? *m_current : QPointF(0, 0);
    }

    void moveTo(const QList<double>& d, bool relative) {
        if (d.size() < 2) {
            return;
        }
        const QPointF target = QPointF(d[0], d[1]) + offset(relative);
        m_path.moveTo(target);
        m_current = target;
        m_subpathStart = target;
        resetControlPoints();
        linesTo(d.mid(2), relative);
    }

    // Each pair a line; relative pairs follow on from the previous point.
    void linesTo(const QList<double>& d, bool relative) {
        for (qsizetype index = 0; index + 1 < d.size(); index += 2) {
            const QPointF target = QPointF(d[index], d[index + 1]) + offset(relative);
            m_path.lineTo(target);
            m_current = target;
        }
        if (d.size() >= 2) {
            resetControlPoints();
        }
    }

    void horizontalLineTo(const QList<double>& d, bool relative) {
        if (!m_current || d.isEmpty()) {
            return;
        }
        straightTo(QPointF(relative ? m_current->x() + d[0] : d[0], m_current->y()));
    }

    void verticalLineTo(const QList<double>& d, bool relative) {
        if (!m_current || d.isEmpty()) {
            return;
        }
        straightTo(QPointF(m_current->x(), relative ? m_current->y() + d[0] : d[0]));
    }

    void straightTo(const QPointF& target) {
        m_path.lineTo(target);
        m_current = target;
        resetControlPoints();
    }

    void curvesTo(const QList<double>& d, bool relative) {
        if (d.size() < 6 || (relative && !m_current)) {
            return;
        }
        for (qsizetype index = 0; index + 5 < d.size(); index += 6) {
            const QPointF base = offset(relative);
            const QPointF control1 = QPointF(d[index], d[index + 1]) + base;
            const QPointF control2 = QPointF(d[index + 2], d[index + 3]) + base;
            const QPointF end = QPointF(d[index + 4], d[index + 5]) + base;
            cubicTo(control1, control2, end);
        }
    }

    void smoothCurvesTo(const QList<double>& d, bool relative) {
        if (d.size() < 4) {
            return;
        }
        for (qsizetype index = 0; index + 3 < d.size(); index += 4) {
            if (!m_current) {
                continue;
            }
            const QPointF base = offset(relative);
            const QPointF control1 = reflected(m_lastCubicControl, *m_current);
            cubicTo(control1, QPointF(d[index], d[index + 1]) + base,
                    QPointF(d[index + 2], d[index + 3]) + base);
        }
    }

    void cubicTo(const QPointF& control1, const QPointF& control2, const QPointF& end) {
        m_path.curveTo(control1, control2, end);
        m_current = end;
        m_lastCubicControl = control2;
        m_lastQuadraticControl.reset();
    }

    void quadraticTo(const QList<double>& d, bool relative) {
        if (d.size() < 4 || (relative && !m_current)) {
            return;
        }
        const QPointF base = offset(relative);
        quadraticCurve(QPointF(d[0], d[1]) + base, QPointF(d[2], d[3]) + base);
    }

    void smoothQuadraticTo(const QList<double>& d, bool relative) {
        if (d.size() < 2 || !m_current) {
            return;
        }
        const QPointF end = QPointF(d[0], d[1]) + offset(relative);
        quadraticCurve(reflected(m_lastQuadraticControl, *m_current), end);
    }

    // A quadratic curve as the cubic with the same shape, starting where the path ends.
    void quadraticCurve(const QPointF& control, const QPointF& end) {
        const QPointF start = m_path.currentPoint().value_or(QPointF(0, 0));
        m_path.curveTo(start + (control - start) * 2 / 3, end + (control - end) * 2 / 3, end);
        m_current = end;
        m_lastQuadraticControl = control;
        m_lastCubicControl.reset();
    }

    void arcTo(const QList<double>& d, bool relative) {
        if (d.size() < 7 || !m_current) {
            return;
        }
        const QPointF end = QPointF(d[5], d[6]) + offset(relative);
        appendEndpointArc(m_path, *m_current, end, d[0], d[1], d[2], d[3], d[4]);
        m_current = end;
        resetControlPoints();
    }

    void close() {
        if (m_subpathStart) {
            m_path.lineTo(*m_subpathStart);
            m_current = m_subpathStart;
            resetControlPoints();
        }
        m_path.closePath();
    }

    // Leaves the current point, the subpath start and the control points as they are.
    void boxArc(const QList<double>& d, bool relative) {
        if (d.size() < 6 || (relative && !m_current)) {
            return;
        }
        const QPointF origin = QPointF(d[0], d[1]) + offset(relative);
        appendBoxArc(m_path, QRectF(origin, QSizeF(d[2], d[3])), d[4], d[5]);
    }

    void add(PathSegmentType type, const QList<double>& d) {
        switch (type) {
        case PathSegmentType::M:
            return moveTo(d, false);
        case PathSegmentType::m:
            return moveTo(d, true);
        case PathSegmentType::L:
            return linesTo(d, false);
        case PathSegmentType::l:
            return linesTo(d, true);
        case PathSegmentType::H:
            return horizontalLineTo(d, false);
        case PathSegmentType::h:
            return horizontalLineTo(d, true);
        case PathSegmentType::V:
            return verticalLineTo(d, false);
        case PathSegmentType::v:
            return verticalLineTo(d, true);
        case PathSegmentType::C:
            return curvesTo(d, false);
        case PathSegmentType::c:
            return curvesTo(d, true);
        case PathSegmentType::S:
            return smoothCurvesTo(d, false);
        case PathSegmentType::s:
            return smoothCurvesTo(d, true);
        case PathSegmentType::Q:
            return quadraticTo(d, false);
        case PathSegmentType::q:
            return quadraticTo(d, true);
        case PathSegmentType::T:
            return smoothQuadraticTo(d, false);
        case PathSegmentType::t:
            return smoothQuadraticTo(d, true);
        case PathSegmentType::A:
            return arcTo(d, false);
        case PathSegmentType::a:
            return arcTo(d, true);
        case PathSegmentType::z:
            return close();
        case PathSegmentType::E:
            return boxArc(d, false);
        case PathSegmentType::e:
            return boxArc(d, true);
        }
    }

    SVGBezierPath m_path;
    std::optional<QPointF> m_current;
    std::optional<QPointF> m_subpathStart;
    std::optional<QPointF> m_lastCubicControl;
    std::optional<QPointF> m_lastQuadraticControl;
};

} // namespace

SVGBezierPath toBezierPath(const QList<PathSegment>& segments) {
    return PathBuilder().build(segments);
}

} // namespace marlox::vector
