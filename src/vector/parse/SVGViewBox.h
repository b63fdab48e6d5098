#pragma once

#include "vector/SVGLengthParser.h"
#include "vector/XMLElement.h"

#include <QRectF>

#include <optional>

namespace marlox::vector {

// The "viewBox" attribute (its name in any letter case): four lengths separated by single blanks
// or tabs, read as x, y, width and height; nothing when absent or unreadable.
std::optional<QRectF> parseViewBox(const XMLAttributes& attributes,
                                   const SVGRootContext& rootContext,
                                   const SVGLengthParser::FontSize& fontSize = {});

} // namespace marlox::vector
