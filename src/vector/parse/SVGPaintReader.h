#pragma once

#include "vector/SVGPaint.h"
#include "vector/SVGStroke.h"
#include "vector/SVGStyleMap.h"

#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

namespace marlox::vector {

class SVGIndex;

// The readers of colours, paints and strokes from an element's styles.
namespace SVGHelper {
// A colour keyword, rgb(...) or hexadecimal colour; "currentColor" takes the "color" style.
std::optional<SVGColor> parseColor(const QString& text, const SVGStyleMap& styles);
SVGColor parseRGB(QStringView text);
SVGColor parseHex(QStringView text);
// A gradient named by "url(#id)", else a colour at the fill or element opacity.
std::shared_ptr<const SVGPaint> parsePaint(const QString& text, const SVGStyleMap& styles,
                                           const SVGIndex& index);

std::shared_ptr<const SVGStroke> parseStroke(const SVGStyleMap& styles, const SVGIndex& index);

} // namespace SVGHelper

} // namespace marlox::vector
