#pragma once

#include "vector/SVGStyleMap.h"

#include <QList>
#include <QPointF>
#include <QStringList>
#include <QTransform>

#include <optional>

namespace marlox::vector {

// The readers of attribute values: numbers, points, dash arrays and transform lists. The readers
// of colours, paints and strokes are in SVGPaintReader.h.
namespace SVGHelper {
// A number with an optional "px"; any other unit is reported and ignored. "none" is 0.
std::optional<double> parseNumber(const QString& text);

QList<QPointF> parsePoints(QStringView text);
QList<double> parseDashArray(const SVGStyleMap& styles);

// Applies each function of a transform list in front of `transform`, so the leftmost function
// is the outermost.
QTransform parseTransform(QStringView text, const QTransform& transform);
// The number texts of one argument list, in order.
QStringList parseNumbers(QStringView text);

} // namespace SVGHelper

} // namespace marlox::vector
