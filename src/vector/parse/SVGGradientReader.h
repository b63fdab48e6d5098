#pragma once

#include "vector/SVGPaint.h"
#include "vector/XMLElement.h"

#include <QHash>
#include <QString>

#include <memory>

namespace marlox::vector {

// The paints read so far, by the id of the element that gave them.
using SVGPaintsByID = QHash<QString, std::shared_ptr<const SVGPaint>>;

// A gradient element read as a paint: a gradient with two or more stops, the colour of a single
// stop, or nothing without stops. What the element leaves out comes from the gradient its
// "xlink:href" names among `paints`.
std::shared_ptr<const SVGPaint> readLinearGradient(const XMLElement& element,
                                                   const SVGPaintsByID& paints);
std::shared_ptr<const SVGPaint> readRadialGradient(const XMLElement& element,
                                                   const SVGPaintsByID& paints);

} // namespace marlox::vector
