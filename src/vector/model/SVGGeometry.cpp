#include "vector/SVGGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace marlox::vector {

QRectF nullRect() {
    constexpr double infinity = std::numeric_limits<double>::infinity();
    return QRectF(infinity, infinity, 0, 0);
}

bool isNullRect(const QRectF& rect) {
    return std::isinf(rect.x()) && rect.x() > 0 && std::isinf(rect.y()) && rect.y() > 0;
}

QRectF unionRect(const QRectF& first, const QRectF& second) {
    if (isNullRect(first)) {
        return second.normalized();
    }
    if (isNullRect(second)) {
        return first.normalized();
    }
    const QRectF a = first.normalized();
    const QRectF b = second.normalized();
    const double left = std::min(a.left(), b.left());
    const double top = std::min(a.top(), b.top());
    const double right = std::max(a.right(), b.right());
    const double bottom = std::max(a.bottom(), b.bottom());
    return QRectF(left, top, right - left, bottom - top);
}

bool isFinite(const QTransform& transform) {
    return std::isfinite(transform.m11()) && std::isfinite(transform.m12()) &&
           std::isfinite(transform.m21()) && std::isfinite(transform.m22()) &&
           std::isfinite(transform.dx()) && std::isfinite(transform.dy());
}

bool isFinite(const QRectF& rect) {
    return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
           std::isfinite(rect.height());
}

} // namespace marlox::vector
