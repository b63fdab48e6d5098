#pragma once

#include <QFlags>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <array>
#include <optional>

namespace marlox::vector {

enum class RectCorner : unsigned {
    none = 0,
    topLeft = 1,
    topRight = 2,
    bottomLeft = 4,
    bottomRight = 8,
    allCorners = 15,
};
// The corners of a rectangle to round; the top is the side of smaller y.
Q_DECLARE_FLAGS(MRectCorner, RectCorner)
Q_DECLARE_OPERATORS_FOR_FLAGS(MRectCorner)

// A path as a list of elements (move, line, cubic curve, close). It is turned into a
// QPainterPath only to be drawn or measured, because a QPainterPath has no close element and
// adds moves of its own.
class SVGBezierPath {
public:
    struct Element {
        enum class Kind { moveTo, lineTo, curveTo, closePath };
        Kind kind = Kind::moveTo;
        // moveTo and lineTo: the point in [0]. curveTo: the control points in [0] and [1], the
        // end point in [2]. closePath: none.
        std::array<QPointF, 3> points{};

        bool operator==(const Element& other) const = default;
    };

    // One circular arc from a new subpath; angles in radians, clockwise on a y-down screen.
    static SVGBezierPath arc(const QPointF& center, double radius, double startAngle,
                             double endAngle, bool clockwise);
    // A rectangle whose chosen corners are rounded with the radii (width for x, height for y).
    static SVGBezierPath roundedRect(const QRectF& rect, MRectCorner corners, const QSizeF& radii);

    void moveTo(const QPointF& point);
    // A line or curve without a current point starts its subpath at the origin.
    void lineTo(const QPointF& point);
    void curveTo(const QPointF& control1, const QPointF& control2, const QPointF& end);
    // After a close the current point is the start of the closed subpath.
    void closePath();

    // A circular arc, angles in degrees. With a current point a line joins it to the arc's
    // start; without one the arc starts a new subpath. Clockwise means the angle decreases along
    // the arc. The end angle is first moved by whole turns to lie on the arc's side of the start
    // angle; a sweep of more than one turn draws the full circle and then the rest.
    void appendArc(const QPointF& center, double radius, double startAngle, double endAngle,
                   bool clockwise);
    // Appends every element of the other path.
    void append(const SVGBezierPath& other);
    // Appends the other path as a continuation of the current subpath: its first move becomes a
    // line, so that no new subpath begins.
    void appendJoined(const SVGBezierPath& other);
    void transform(const QTransform& transform);

    const QList<Element>& elements() const { return m_elements; }
    qsizetype elementCount() const { return m_elements.size(); }
    bool isEmpty() const { return m_elements.isEmpty(); }
    // The end of the last element; after a close, the start of the closed subpath.
    std::optional<QPointF> currentPoint() const { return m_currentPoint; }

    // The tight box of every point and curve, control points outside the curves left out; the
    // null rectangle when the path is empty.
    QRectF boundingBox() const;

    QPainterPath toPainterPath() const;

    bool operator==(const SVGBezierPath& other) const { return m_elements == other.m_elements; }

private:
    void ensureCurrentPoint();

    QList<Element> m_elements;
    std::optional<QPointF> m_currentPoint;
    std::optional<QPointF> m_subpathStart;
};

} // namespace marlox::vector
