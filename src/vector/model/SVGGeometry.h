#pragma once

#include <QRectF>
#include <QTransform>

namespace marlox::vector {

// The box of nothing (an empty path). It differs from every real rectangle, zero-size ones
// included; a union ignores it.
QRectF nullRect();
bool isNullRect(const QRectF& rect);

// The smallest rectangle holding both: a null rectangle adds nothing, and a rectangle of zero
// size still extends the union to its origin. Negative sizes are normalised first.
QRectF unionRect(const QRectF& first, const QRectF& second);

// Whether every coefficient is a finite number.
bool isFinite(const QTransform& transform);
// Whether its corner and size are finite numbers; the null rectangle is not.
bool isFinite(const QRectF& rect);

} // namespace marlox::vector
