#include "vector/SVGPreserveAspectRatio.h"

#include <cmath>

namespace marlox::vector {

namespace {

// A zero-size content or target leaves factors and offsets without a finite value; they count
// as 0 so that no NaN or infinity reaches a transform.
double finiteOrZero(double value) {
    return std::isfinite(value) ? value : 0.0;
}

} // namespace

QString SVGPreserveAspectRatio::rawValue(Scaling scaling) {
    switch (scaling) {
    case Scaling::slice:
        return QStringLiteral("slice");
    case Scaling::none:
        return QStringLiteral("none");
    case Scaling::meet:
        break;
    }
    return QStringLiteral("meet");
}

QString SVGPreserveAspectRatio::rawValue(Align align) {
    switch (align) {
    case Align::min:
        return QStringLiteral("min");
    case Align::max:
        return QStringLiteral("max");
    case Align::mid:
        break;
    }
    return QStringLiteral("mid");
}

std::optional<SVGPreserveAspectRatio::Scaling>
SVGPreserveAspectRatio::scalingFromRawValue(QStringView raw) {
    for (const Scaling scaling : allScalings) {
        if (raw == rawValue(scaling)) {
            return scaling;
        }
    }
    return std::nullopt;
}

std::optional<SVGPreserveAspectRatio::Align>
SVGPreserveAspectRatio::alignFromRawValue(QStringView raw) {
    for (const Align align : allAligns) {
        if (raw == rawValue(align)) {
            return align;
        }
    }
    return std::nullopt;
}

QSizeF SVGPreserveAspectRatio::fit(Scaling scaling, const QSizeF& content, const QSizeF& target) {
    if (scaling == Scaling::none) {
        return target;
    }
    const double factorX = target.width() / content.width();
    const double factorY = target.height() / content.height();
    // On equal factors the x factor is used.
    const bool useY = scaling == Scaling::meet ? factorY < factorX : factorX < factorY;
    if (useY) {
        return QSizeF(content.width() * factorY, target.height());
    }
    return QSizeF(target.width(), content.height() * factorX);
}

QSizeF SVGPreserveAspectRatio::fit(Scaling scaling, const QSizeF& content, const QRectF& target) {
    return fit(scaling, content, target.size());
}

QSizeF SVGPreserveAspectRatio::fit(Scaling scaling, const QRectF& content, const QRectF& target) {
    return fit(scaling, content.size(), target.size());
}

double SVGPreserveAspectRatio::align(Align align, double outer, double inner) {
    return SVGPreserveAspectRatio::align(align, outer - inner);
}

double SVGPreserveAspectRatio::align(Align align, double size) {
    switch (align) {
    case Align::min:
        return 0;
    case Align::max:
        return size;
    case Align::mid:
        break;
    }
    return size * 0.5;
}

QTransform SVGPreserveAspectRatio::layout(const QRectF& content, const QSizeF& target) const {
    const QSizeF scaled = fit(m_scaling, content.size(), target);
    const double dx = finiteOrZero(align(m_xAlign, target.width(), scaled.width()));
    const double dy = finiteOrZero(align(m_yAlign, target.height(), scaled.height()));
    const double sx = finiteOrZero(scaled.width() / content.width());
    const double sy = finiteOrZero(scaled.height() / content.height());
    // Moving by minus the origin and then scaling and aligning, written out so that a zero
    // factor never divides an offset.
    return QTransform(sx, 0, 0, sy, dx - content.x() * sx, dy - content.y() * sy);
}

QTransform SVGPreserveAspectRatio::layout(const QSizeF& content, const QSizeF& target) const {
    return layout(QRectF(QPointF(0, 0), content), target);
}

std::optional<QRectF> SVGPreserveAspectRatio::slice(const QSizeF& content,
                                                    const QRectF& target) const {
    if (m_scaling != Scaling::slice) {
        return std::nullopt;
    }
    const QSizeF scaled = fit(Scaling::meet, content, target);
    const double width = finiteOrZero(scaled.width());
    const double height = finiteOrZero(scaled.height());
    return QRectF(target.x() + align(m_xAlign, target.width(), width),
                  target.y() + align(m_yAlign, target.height(), height), width, height);
}

} // namespace marlox::vector
