#pragma once

#include "vector/CSSParser.h"
#include "vector/SVGPaint.h"
#include "vector/SVGStroke.h"

#include <QList>
#include <QPointF>
#include <QStringList>
#include <QTransform>

#include <memory>
#include <optional>

namespace marlox::vector {

class SVGIndex;

// The readers of attribute values: numbers, colours, paints, points, dash arrays, strokes and
// transform lists.
namespace SVGHelper {
// A number with an optional "px"; any other unit is reported and ignored. "none" is 0.
std::optional<double> parseNumber(const QString& text);

// A colour keyword, rgb(...) or hexadecimal colour; "currentColor" takes the "color" style.
std::optional<SVGColor> parseColor(const QString& text, const SVGStyleMap& styles);
SVGColor parseRGB(QStringView text);
SVGColor parseHex(QStringView text);
// A gradient named by "url(#id)", else a colour at the fill or element opacity.
std::shared_ptr<const SVGPaint> parsePaint(const QString& text, const SVGStyleMap& styles,
                                           const SVGIndex& index);

QList<QPointF> parsePoints(QStringView text);
QList<double> parseDashArray(const SVGStyleMap& styles);
std::shared_ptr<const SVGStroke> parseStroke(const SVGStyleMap& styles, const SVGIndex& index);

// Applies each function of a transform list in front of `transform`, so the leftmost function
// is the outermost.
QTransform parseTransform(QStringView text, const QTransform& transform);
// The number texts of one argument list, in order.
QStringList parseNumbers(QStringView text);

} // namespace SVGHelper

} // namespace marlox::vector
