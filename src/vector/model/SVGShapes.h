#pragma once

#include "vector/SVGBezierPath.h"
#include "vector/SVGNode.h"

#include <QList>
#include <QPointF>
#include <QRectF>

namespace marlox::vector {

class SVGCircle : public SVGShape {
    Q_OBJECT
    Q_PROPERTY(double cx READ cx WRITE setCx NOTIFY cxChanged)
    Q_PROPERTY(double cy READ cy WRITE setCy NOTIFY cyChanged)
    Q_PROPERTY(double r READ r WRITE setR NOTIFY rChanged)

public:
    SVGCircle(double cx, double cy, double r);

    SVGNodeKind kind() const override { return SVGNodeKind::circle; }

    double cx() const { return m_cx; }
    void setCx(double cx);
    double cy() const { return m_cy; }
    void setCy(double cy);
    double r() const { return m_r; }
    void setR(double r);

    // (cx - r, cy - r, 2r, 2r).
    QRectF frame() const override;

signals:
    void cxChanged();
    void cyChanged();
    void rChanged();

private:
    double m_cx = 0;
    double m_cy = 0;
    double m_r = 0;
};

class SVGEllipse : public SVGShape {
    Q_OBJECT
    Q_PROPERTY(double cx READ cx WRITE setCx NOTIFY cxChanged)
    Q_PROPERTY(double cy READ cy WRITE setCy NOTIFY cyChanged)
    Q_PROPERTY(double rx READ rx WRITE setRx NOTIFY rxChanged)
    Q_PROPERTY(double ry READ ry WRITE setRy NOTIFY ryChanged)

public:
    SVGEllipse(double cx, double cy, double rx, double ry);

    SVGNodeKind kind() const override { return SVGNodeKind::ellipse; }

    double cx() const { return m_cx; }
    void setCx(double cx);
    double cy() const { return m_cy; }
    void setCy(double cy);
    double rx() const { return m_rx; }
    void setRx(double rx);
    double ry() const { return m_ry; }
    void setRy(double ry);

    // (cx - rx, cy - ry, 2rx, 2ry).
    QRectF frame() const override;

signals:
    void cxChanged();
    void cyChanged();
    void rxChanged();
    void ryChanged();

private:
    double m_cx = 0;
    double m_cy = 0;
    double m_rx = 0;
    double m_ry = 0;
};

class SVGLine : public SVGShape {
    Q_OBJECT
    Q_PROPERTY(double x1 READ x1 WRITE setX1 NOTIFY x1Changed)
    Q_PROPERTY(double y1 READ y1 WRITE setY1 NOTIFY y1Changed)
    Q_PROPERTY(double x2 READ x2 WRITE setX2 NOTIFY x2Changed)
    Q_PROPERTY(double y2 READ y2 WRITE setY2 NOTIFY y2Changed)

public:
    SVGLine(double x1, double y1, double x2, double y2);

    SVGNodeKind kind() const override { return SVGNodeKind::line; }

    double x1() const { return m_x1; }
    void setX1(double x1);
    double y1() const { return m_y1; }
    void setY1(double y1);
    double x2() const { return m_x2; }
    void setX2(double x2);
    double y2() const { return m_y2; }
    void setY2(double y2);

    // From the smaller coordinates across the distances, whichever end comes first.
    QRectF frame() const override;
    // A move to the start and a line to the end.
    SVGBezierPath toBezierPath() const;

signals:
    void x1Changed();
    void y1Changed();
    void x2Changed();
    void y2Changed();

private:
    double m_x1 = 0;
    double m_y1 = 0;
    double m_x2 = 0;
    double m_y2 = 0;
};

// A rectangle with optional corner radii, stored as given: nothing is clamped or ordered.
class SVGRect : public SVGShape {
    Q_OBJECT
    Q_PROPERTY(double x READ x WRITE setX NOTIFY xChanged)
    Q_PROPERTY(double y READ y WRITE setY NOTIFY yChanged)
    Q_PROPERTY(double width READ width WRITE setWidth NOTIFY widthChanged)
    Q_PROPERTY(double height READ height WRITE setHeight NOTIFY heightChanged)
    Q_PROPERTY(double rx READ rx WRITE setRx NOTIFY rxChanged)
    Q_PROPERTY(double ry READ ry WRITE setRy NOTIFY ryChanged)

public:
    SVGRect(double x, double y, double width, double height, double rx = 0, double ry = 0);
    // From the rectangle's smaller corner with its size made positive; no radii.
    explicit SVGRect(const QRectF& rect);

    SVGNodeKind kind() const override { return SVGNodeKind::rect; }

    double x() const { return m_x; }
    void setX(double x);
    double y() const { return m_y; }
    void setY(double y);
    double width() const { return m_width; }
    void setWidth(double width);
    double height() const { return m_height; }
    void setHeight(double height);
    double rx() const { return m_rx; }
    void setRx(double rx);
    double ry() const { return m_ry; }
    void setRy(double ry);

    // Exactly the stored values, a negative size included.
    QRectF frame() const override;

signals:
    void xChanged();
    void yChanged();
    void widthChanged();
    void heightChanged();
    void rxChanged();
    void ryChanged();

private:
    double m_x = 0;
    double m_y = 0;
    double m_width = 0;
    double m_height = 0;
    double m_rx = 0;
    double m_ry = 0;
};

// Points joined by straight lines: the common part of polygons and polylines.
class SVGPointListShape : public SVGShape {
    Q_OBJECT
    Q_PROPERTY(QList<QPointF> points READ points WRITE setPoints NOTIFY pointsChanged)

public:
    const QList<QPointF>& points() const { return m_points; }
    void setPoints(QList<QPointF> points);

    // The box of the points, its minimum never above 32767 and its maximum never below -32768;
    // (0, 0, 0, 0) without points.
    QRectF frame() const override;
    // A move to the first point and a line to each further one, closed for a polygon; empty
    // without points.
    virtual SVGBezierPath toBezierPath() const = 0;

signals:
    void pointsChanged();

protected:
    explicit SVGPointListShape(QList<QPointF> points);

    SVGBezierPath outline(bool closed) const;

private:
    QList<QPointF> m_points;
};

class SVGPolygon : public SVGPointListShape {
    Q_OBJECT

public:
    explicit SVGPolygon(QList<QPointF> points);

    SVGNodeKind kind() const override { return SVGNodeKind::polygon; }
    SVGBezierPath toBezierPath() const override { return outline(true); }
};

// Never closed, even when its last point equals its first.
class SVGPolyline : public SVGPointListShape {
    Q_OBJECT

public:
    explicit SVGPolyline(QList<QPointF> points);

    SVGNodeKind kind() const override { return SVGNodeKind::polyline; }
    SVGBezierPath toBezierPath() const override { return outline(false); }
};

} // namespace marlox::vector
