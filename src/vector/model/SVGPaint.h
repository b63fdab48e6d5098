#pragma once

#include <QColor>
#include <QGradient>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

namespace marlox::vector {

enum class SVGPaintKind { color, linearGradient, radialGradient };

// A fill or stroke paint. Paints never change after construction and are shared freely, always
// through std::shared_ptr.
class SVGPaint : public std::enable_shared_from_this<SVGPaint> {
public:
    virtual ~SVGPaint() = default;

    virtual SVGPaintKind kind() const = 0;

    // A paint like this one at the given opacity. Only a colour changes; every other paint
    // answers itself, so a gradient ignores an opacity applied this way.
    virtual std::shared_ptr<const SVGPaint> opacity(double opacity) const;

protected:
    SVGPaint() = default;
    SVGPaint(const SVGPaint&) = default;
    SVGPaint& operator=(const SVGPaint&) = default;
};

// A solid colour packed as 0xTTRRGGBB, where TT is the transparency (255 minus alpha), so a plain
// 0xRRGGBB value is opaque. Bits above 31 are kept but read by nothing.
class SVGColor final : public SVGPaint {
public:
    explicit SVGColor(qint64 value) : m_value(value) {}

    // Each component keeps its low 8 bits.
    static SVGColor fromTransparency(int r, int g, int b, int t);
    // The transparency byte is the integer part of (1 - opacity) * 255.
    static SVGColor fromOpacity(int r, int g, int b, double opacity);
    // Leading white space and an optional 0x are skipped; the hexadecimal digits up to the first
    // other character are the value, 0 when there are none. A "#" is not skipped.
    static SVGColor fromHex(QStringView text);
    // A colour keyword, looked up without regard to case.
    static std::optional<SVGColor> by(const QString& name);

    static const std::shared_ptr<const SVGColor>& black();
    static const std::shared_ptr<const SVGColor>& clear();

    SVGPaintKind kind() const override { return SVGPaintKind::color; }

    qint64 value() const { return m_value; }
    int r() const { return int((m_value >> 16) & 0xFF); }
    int g() const { return int((m_value >> 8) & 0xFF); }
    int b() const { return int(m_value & 0xFF); }
    int t() const { return int((m_value >> 24) & 0xFF); }
    double opacity() const { return (255 - t()) / 255.0; }

    // The same red, green and blue with the transparency byte replaced (not combined).
    SVGColor withOpacity(double opacity) const;
    // The same red, green and blue with the alpha multiplied by the opacity, clamped like
    // withOpacity's; the transparency byte is the integer part of 255 - alpha * opacity.
    SVGColor fadedBy(double opacity) const;
    std::shared_ptr<const SVGPaint> opacity(double opacity) const override;

    QColor toQColor() const;

    bool operator==(const SVGColor& other) const { return m_value == other.m_value; }

private:
    qint64 m_value = 0;
};

class SVGStop {
public:
    // The offset is clamped into 0...1.
    SVGStop(SVGColor color, double offset);

    const SVGColor& color() const { return m_color; }
    double offset() const { return m_offset; }

    bool operator==(const SVGStop& other) const = default;

private:
    SVGColor m_color;
    double m_offset = 0;
};

// A gradient in unit coordinates of the area it fills: (0, 0) is the area's top-left corner and
// (1, 1) its bottom-right one.
struct SVGUnitLinearGradient {
    QGradientStops stops;
    QPointF startPoint;
    QPointF endPoint;

    // The same gradient in the area's own coordinates.
    QLinearGradient toQGradient(const QRectF& area) const;
};

// The centre is a unit point of the area; the radii are lengths, not fractions.
struct SVGUnitRadialGradient {
    QGradientStops stops;
    QPointF center;
    double startRadius = 0;
    double endRadius = 0;

    QRadialGradient toQGradient(const QRectF& area) const;
};

class SVGGradient : public SVGPaint {
public:
    bool userSpace() const { return m_userSpace; }
    const QList<SVGStop>& stops() const { return m_stops; }

    // Equal when both unit systems and both stop lists are; the geometry of the kinds of
    // gradient takes no part.
    bool operator==(const SVGGradient& other) const;

protected:
    SVGGradient(bool userSpace, QList<SVGStop> stops);

    QGradientStops gradientStops() const;

private:
    bool m_userSpace = false;
    QList<SVGStop> m_stops;
};

class SVGLinearGradient final : public SVGGradient {
public:
    SVGLinearGradient(double x1, double y1, double x2, double y2, bool userSpace,
                      QList<SVGStop> stops);
    // A bounding-box gradient across the unit square along the angle (degrees, y down),
    // starting from the side opposite to the direction.
    static SVGLinearGradient fromDegree(double degree, QList<SVGStop> stops);
    static SVGLinearGradient fromDegree(double degree, const SVGColor& from, const SVGColor& to);

    SVGPaintKind kind() const override { return SVGPaintKind::linearGradient; }

    double x1() const { return m_x1; }
    double y1() const { return m_y1; }
    double x2() const { return m_x2; }
    double y2() const { return m_y2; }

    // User-space end points are made relative to the rectangle; bounding-box ones already are.
    SVGUnitLinearGradient toUnitGradient(const QRectF& rect) const;

private:
    double m_x1 = 0;
    double m_y1 = 0;
    double m_x2 = 0;
    double m_y2 = 0;
};

// The focal point is kept but drawn nowhere: every radial gradient is centred on (cx, cy).
class SVGRadialGradient final : public SVGGradient {
public:
    SVGRadialGradient(double cx, double cy, double fx, double fy, double r, bool userSpace,
                      QList<SVGStop> stops);

    SVGPaintKind kind() const override { return SVGPaintKind::radialGradient; }

    double cx() const { return m_cx; }
    double cy() const { return m_cy; }
    double fx() const { return m_fx; }
    double fy() const { return m_fy; }
    double r() const { return m_r; }

    // User space: the centre made relative to the rectangle and the radius as it is. Bounding
    // box: the centre as it is and the radius scaled by the shorter side of the rectangle.
    SVGUnitRadialGradient toUnitGradient(const QRectF& rect) const;

private:
    double m_cx = 0;
    double m_cy = 0;
    double m_fx = 0;
    double m_fy = 0;
    double m_r = 0;
};

} // namespace marlox::vector
