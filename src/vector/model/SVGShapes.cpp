#include "vector/SVGShapes.h"

#include <algorithm>
#include <cmath>

namespace marlox::vector {

SVGCircle::SVGCircle(double cx, double cy, double r) : m_cx(cx), m_cy(cy), m_r(r) {}

void SVGCircle::setCx(double cx) {
    publish(m_cx, cx, &SVGCircle::cxChanged);
}
void SVGCircle::setCy(double cy) {
    publish(m_cy, cy, &SVGCircle::cyChanged);
}
void SVGCircle::setR(double r) {
    publish(m_r, r, &SVGCircle::rChanged);
}

QRectF SVGCircle::frame() const {
    return QRectF(m_cx - m_r, m_cy - m_r, m_r + m_r, m_r + m_r);
}

SVGEllipse::SVGEllipse(double cx, double cy, double rx, double ry)
    : m_cx(cx), m_cy(cy), m_rx(rx), m_ry(ry) {}

void SVGEllipse::setCx(double cx) {
    publish(m_cx, cx, &SVGEllipse::cxChanged);
}
void SVGEllipse::setCy(double cy) {
    publish(m_cy, cy, &SVGEllipse::cyChanged);
}
void SVGEllipse::setRx(double rx) {
    publish(m_rx, rx, &SVGEllipse::rxChanged);
}
void SVGEllipse::setRy(double ry) {
    publish(m_ry, ry, &SVGEllipse::ryChanged);
}

QRectF SVGEllipse::frame() const {
    return QRectF(m_cx - m_rx, m_cy - m_ry, m_rx + m_rx, m_ry + m_ry);
}

SVGLine::SVGLine(double x1, double y1, double x2, double y2)
    : m_x1(x1), m_y1(y1), m_x2(x2), m_y2(y2) {}

void SVGLine::setX1(double x1) {
    publish(m_x1, x1, &SVGLine::x1Changed);
}
void SVGLine::setY1(double y1) {
    publish(m_y1, y1, &SVGLine::y1Changed);
}
void SVGLine::setX2(double x2) {
    publish(m_x2, x2, &SVGLine::x2Changed);
}
void SVGLine::setY2(double y2) {
    publish(m_y2, y2, &SVGLine::y2Changed);
}

QRectF SVGLine::frame() const {
    return QRectF(std::min(m_x1, m_x2), std::min(m_y1, m_y2), std::abs(m_x1 - m_x2),
                  std::abs(m_y1 - m_y2));
}

SVGBezierPath SVGLine::toBezierPath() const {
    SVGBezierPath path;
    path.moveTo({m_x1, m_y1});
    path.lineTo({m_x2, m_y2});
    return path;
}

SVGRect::SVGRect(double x, double y, double width, double height, double rx, double ry)
    : m_x(x), m_y(y), m_width(width), m_height(height), m_rx(rx), m_ry(ry) {}

SVGRect::SVGRect(const QRectF& rect) : SVGRect(0, 0, 0, 0) {
    const QRectF box = rect.normalized();
    m_x = box.x();
    m_y = box.y();
    m_width = box.width();
    m_height = box.height();
}

void SVGRect::setX(double x) {
    publish(m_x, x, &SVGRect::xChanged);
}
void SVGRect::setY(double y) {
    publish(m_y, y, &SVGRect::yChanged);
}
void SVGRect::setWidth(double width) {
    publish(m_width, width, &SVGRect::widthChanged);
}
void SVGRect::setHeight(double height) {
    publish(m_height, height, &SVGRect::heightChanged);
}
void SVGRect::setRx(double rx) {
    publish(m_rx, rx, &SVGRect::rxChanged);
}
void SVGRect::setRy(double ry) {
    publish(m_ry, ry, &SVGRect::ryChanged);
}

QRectF SVGRect::frame() const {
    return QRectF(m_x, m_y, m_width, m_height);
}

SVGPointListShape::SVGPointListShape(QList<QPointF> points) : m_points(std::move(points)) {}

void SVGPointListShape::setPoints(QList<QPointF> points) {
    publish(m_points, std::move(points), &SVGPointListShape::pointsChanged);
}

QRectF SVGPointListShape::frame() const {
    if (m_points.isEmpty()) {
        return QRectF(0, 0, 0, 0);
    }
    // These starting values, not infinities: a box of points all beyond them still starts (or
    // ends) there.
    double minX = 32767;
    double minY = 32767;
    double maxX = -32768;
    double maxY = -32768;
    for (const QPointF& point : m_points) {
        if (point.x() < minX) {
            minX = point.x();
        }
        if (point.x() >= maxX) {
            maxX = point.x();
        }
        if (point.y() < minY) {
            minY = point.y();
        }
        if (point.y() >= maxY) {
            maxY = point.y();
        }
    }
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}

SVGBezierPath SVGPointListShape::outline(bool closed) const {
    SVGBezierPath path;
    if (m_points.isEmpty()) {
        return path;
    }
    path.moveTo(m_points.constFirst());
    for (qsizetype index = 1; index < m_points.size(); ++index) {
        path.lineTo(m_points.at(index));
    }
    if (closed) {
        path.closePath();
    }
    return path;
}

SVGPolygon::SVGPolygon(QList<QPointF> points) : SVGPointListShape(std::move(points)) {}

SVGPolyline::SVGPolyline(QList<QPointF> points) : SVGPointListShape(std::move(points)) {}

} // namespace marlox::vector
