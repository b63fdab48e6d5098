#include "vector/SVGPaint.h"

#include "vector/SVGColors.h"
#include "vector/SVGScanner.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace marlox::vector {

namespace {

// Out-of-range opacities are clamped and NaN counts as opaque, so the integer conversions below
// are always defined.
double clampedOpacity(double opacity) {
    return std::isnan(opacity) ? 1.0 : std::clamp(opacity, 0.0, 1.0);
}

qint64 transparencyByte(double opacity) {
    return qint64((1.0 - clampedOpacity(opacity)) * 255.0) & 0xFF;
}

// A unit coordinate of a user-space position within the rectangle. A rectangle of zero size
// has no unit coordinates; its minimum edge stands for all of it.
double unitCoordinate(double position, double minimum, double length) {
    const double unit = (position - minimum) / length;
    return std::isfinite(unit) ? unit : 0.0;
}

// Colour and opacity blend apart, so that a stop without opacity still lends its colour to the
// ramp; Qt would blend premultiplied colours.
void setStops(QGradient& gradient, const QGradientStops& stops) {
    gradient.setStops(stops);
    gradient.setInterpolationMode(QGradient::ComponentInterpolation);
}

QColor colorOf(const SVGStop& stop) {
    return stop.color().toQColor();
}

} // namespace

std::shared_ptr<const SVGPaint> SVGPaint::opacity(double) const {
    return shared_from_this();
}

SVGColor SVGColor::fromTransparency(int r, int g, int b, int t) {
    return SVGColor(qint64(t & 0xFF) << 24 | qint64(r & 0xFF) << 16 | qint64(g & 0xFF) << 8 |
                    qint64(b & 0xFF));
}

SVGColor SVGColor::fromOpacity(int r, int g, int b, double opacity) {
    return fromTransparency(r, g, b, int(transparencyByte(opacity)));
}

SVGColor SVGColor::fromHex(QStringView text) {
    SVGTextCursor scanner{text};
    const quint64 scanned = scanner.scanHexUInt64().value_or(0);
    // A value that does not fit a signed 64-bit integer (too many digits included) is black.
    if (scanned > quint64(std::numeric_limits<qint64>::max())) {
        return SVGColor(0);
    }
    return SVGColor(qint64(scanned));
}

std::optional<SVGColor> SVGColor::by(const QString& name) {
    // The keywords are ASCII: an ASCII name is lowered in place. Any other name goes through the
    // full case mapping, under which a few non-ASCII letters lower to ASCII ones.
    constexpr qsizetype longestKeyword = 24;
    char16_t lowered[longestKeyword];
    const qsizetype size = name.size();
    for (qsizetype index = 0; index < size; ++index) {
        const char16_t code = name[index].unicode();
        if (code >= 0x80) {
            const auto& table = SVGColors::shared().hexByText();
            const auto found = table.constFind(name.toLower());
            if (found == table.constEnd()) {
                return std::nullopt;
            }
            return SVGColor(found.value());
        }
        if (index < longestKeyword) {
            lowered[index] = code >= u'A' && code <= u'Z' ? char16_t(code - u'A' + u'a') : code;
        }
    }
    if (size > longestKeyword) {
        return std::nullopt;
    }
    static const QHash<QStringView, qint64> byKeyword = [] {
        QHash<QStringView, qint64> views;
        const auto& table = SVGColors::shared().hexByText();
        for (auto entry = table.cbegin(); entry != table.cend(); ++entry) {
            views.insert(entry.key(), entry.value());
        }
        return views;
    }();
    const auto found = byKeyword.constFind(QStringView(lowered, size));
    if (found == byKeyword.constEnd()) {
        return std::nullopt;
    }
    return SVGColor(found.value());
}

const std::shared_ptr<const SVGColor>& SVGColor::black() {
    static const auto color = std::make_shared<const SVGColor>(0);
    return color;
}

const std::shared_ptr<const SVGColor>& SVGColor::clear() {
    static const auto color = std::make_shared<const SVGColor>(0xFF000000);
    return color;
}

SVGColor SVGColor::withOpacity(double opacity) const {
    return SVGColor(transparencyByte(opacity) << 24 | (m_value & 0xFFFFFF));
}

SVGColor SVGColor::fadedBy(double opacity) const {
    // Worked in whole alpha steps, so that an opacity of 1 keeps the byte exactly.
    const auto transparency = qint64(255.0 - (255 - t()) * clampedOpacity(opacity));
    return SVGColor(transparency << 24 | (m_value & 0xFFFFFF));
}

std::shared_ptr<const SVGPaint> SVGColor::opacity(double opacity) const {
    return std::make_shared<const SVGColor>(withOpacity(opacity));
}

QColor SVGColor::toQColor() const {
    return QColor::fromRgb(r(), g(), b(), 255 - t());
}

SVGStop::SVGStop(SVGColor color, double offset)
    : m_color(color), m_offset(std::isnan(offset) ? 0.0 : std::clamp(offset, 0.0, 1.0)) {}

QLinearGradient SVGUnitLinearGradient::toQGradient(const QRectF& area) const {
    const auto place = [&area](const QPointF& unit) {
        return QPointF(area.x() + unit.x() * area.width(), area.y() + unit.y() * area.height());
    };
    QLinearGradient gradient(place(startPoint), place(endPoint));
    setStops(gradient, stops);
    return gradient;
}

QRadialGradient SVGUnitRadialGradient::toQGradient(const QRectF& area) const {
    const QPointF centre(area.x() + center.x() * area.width(),
                         area.y() + center.y() * area.height());
    QRadialGradient gradient(centre, endRadius, centre, startRadius);
    setStops(gradient, stops);
    return gradient;
}

SVGGradient::SVGGradient(bool userSpace, QList<SVGStop> stops)
    : m_userSpace(userSpace), m_stops(std::move(stops)) {}

bool SVGGradient::operator==(const SVGGradient& other) const {
    return m_userSpace == other.m_userSpace && m_stops == other.m_stops;
}

QGradientStops SVGGradient::gradientStops() const {
    QGradientStops result;
    result.reserve(m_stops.size());
    // Qt keeps one colour per position and sorts the stops, so a stop at or below the offset of
    // the one before it (a hard edge) moves on by the smallest step; at 1 the earlier stops make
    // room downwards instead.
    for (const SVGStop& stop : m_stops) {
        double position = stop.offset();
        if (!result.isEmpty() && position <= result.constLast().first) {
            position = std::min(std::nextafter(result.constLast().first, 2.0), 1.0);
        }
        result.append({position, colorOf(stop)});
    }
    for (qsizetype index = result.size() - 1;
         index > 0 && result[index - 1].first >= result[index].first; --index) {
        result[index - 1].first = std::nextafter(result[index].first, -1.0);
    }
    return result;
}

SVGLinearGradient::SVGLinearGradient(double x1, double y1, double x2, double y2, bool userSpace,
                                     QList<SVGStop> stops)
    : SVGGradient(userSpace, std::move(stops)), m_x1(x1), m_y1(y1), m_x2(x2), m_y2(y2) {}

SVGLinearGradient SVGLinearGradient::fromDegree(double degree, QList<SVGStop> stops) {
    const double angle = degree * std::numbers::pi / 180;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double longest = std::max(std::abs(c), std::abs(s));
    double x1 = 0;
    double y1 = 0;
    double x2 = c / longest;
    double y2 = s / longest;
    if (x2 < 0) {
        x1 = -x2;
        x2 = 0;
    }
    if (y2 < 0) {
        y1 = -y2;
        y2 = 0;
    }
    return SVGLinearGradient(x1, y1, x2, y2, false, std::move(stops));
}

SVGLinearGradient SVGLinearGradient::fromDegree(double degree, const SVGColor& from,
                                                const SVGColor& to) {
    return fromDegree(degree, {SVGStop(from, 0), SVGStop(to, 1)});
}

SVGUnitLinearGradient SVGLinearGradient::toUnitGradient(const QRectF& rect) const {
    SVGUnitLinearGradient unit;
    unit.stops = gradientStops();
    if (userSpace()) {
        unit.startPoint = QPointF(unitCoordinate(m_x1, rect.x(), rect.width()),
                                  unitCoordinate(m_y1, rect.y(), rect.height()));
        unit.endPoint = QPointF(unitCoordinate(m_x2, rect.x(), rect.width()),
                                unitCoordinate(m_y2, rect.y(), rect.height()));
    } else {
        unit.startPoint = QPointF(m_x1, m_y1);
        unit.endPoint = QPointF(m_x2, m_y2);
    }
    return unit;
}

SVGRadialGradient::SVGRadialGradient(double cx, double cy, double fx, double fy, double r,
                                     bool userSpace, QList<SVGStop> stops)
    : SVGGradient(userSpace, std::move(stops)), m_cx(cx), m_cy(cy), m_fx(fx), m_fy(fy), m_r(r) {}

SVGUnitRadialGradient SVGRadialGradient::toUnitGradient(const QRectF& rect) const {
    SVGUnitRadialGradient unit;
    unit.stops = gradientStops();
    if (userSpace()) {
        unit.center = QPointF(unitCoordinate(m_cx, rect.x(), rect.width()),
                              unitCoordinate(m_cy, rect.y(), rect.height()));
        unit.endRadius = m_r;
    } else {
        unit.center = QPointF(m_cx, m_cy);
        unit.endRadius = m_r * std::min(rect.width(), rect.height());
    }
    return unit;
}

} // namespace marlox::vector
