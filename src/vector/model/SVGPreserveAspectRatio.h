#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringView>
#include <QTransform>

#include <array>
#include <optional>

namespace marlox::vector {

// How a view box is fitted into a viewport: scaled to fit inside (meet), to cover (slice) or
// stretched (none), and aligned in each axis.
class SVGPreserveAspectRatio {
public:
    enum class Scaling { meet, slice, none };
    enum class Align { mid, min, max };

    static constexpr std::array<Scaling, 3> allScalings = {Scaling::meet, Scaling::slice,
                                                           Scaling::none};
    static constexpr std::array<Align, 3> allAligns = {Align::mid, Align::min, Align::max};

    static QString rawValue(Scaling scaling);
    static QString rawValue(Align align);
    // Exact, case-sensitive matches of the raw values ("meet", "slice", "none"; "mid", "min",
    // "max").
    static std::optional<Scaling> scalingFromRawValue(QStringView raw);
    static std::optional<Align> alignFromRawValue(QStringView raw);

    // The scaled content size.
    static QSizeF fit(Scaling scaling, const QSizeF& content, const QSizeF& target);
    static QSizeF fit(Scaling scaling, const QSizeF& content, const QRectF& target);
    static QSizeF fit(Scaling scaling, const QRectF& content, const QRectF& target);
    // The offset of the inner length within the outer one.
    static double align(Align align, double outer, double inner);
    // The offset within free space of the given size.
    static double align(Align align, double size);

    // Meet, centred in both axes.
    constexpr SVGPreserveAspectRatio() = default;
    constexpr SVGPreserveAspectRatio(Scaling scaling, Align xAlign, Align yAlign)
        : m_scaling(scaling), m_xAlign(xAlign), m_yAlign(yAlign) {}

    Scaling scaling() const { return m_scaling; }
    Align xAlign() const { return m_xAlign; }
    Align yAlign() const { return m_yAlign; }

    // The transform that maps the content rectangle into the target size: a point p lands at
    // ((p.x - minX) * sx + dx, (p.y - minY) * sy + dy). A content or target of zero size gives
    // zero factors and offsets where they would not be finite.
    QTransform layout(const QRectF& content, const QSizeF& target) const;
    QTransform layout(const QSizeF& content, const QSizeF& target) const;
    // Where content of the size lies in the target rectangle when scaled by the smaller factor
    // and aligned; nothing unless the scaling is slice.
    std::optional<QRectF> slice(const QSizeF& content, const QRectF& target) const;

    bool operator==(const SVGPreserveAspectRatio& other) const = default;

private:
    Scaling m_scaling = Scaling::meet;
    Align m_xAlign = Align::mid;
    Align m_yAlign = Align::mid;
};

} // namespace marlox::vector
