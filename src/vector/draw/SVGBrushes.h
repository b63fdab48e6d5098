#pragma once

#include "vector/SVGNode.h"
#include "vector/SVGPaint.h"
#include "vector/SVGStroke.h"

#include <QBrush>
#include <QRectF>

#include <optional>

namespace marlox::vector::drawing {

// The brush of a paint on a node with the given box; none when it paints nothing: a gradient
// without stops, or in bounding-box units on a box without area.
std::optional<QBrush> brushOf(const SVGPaint& paint, const QRectF& box);

struct Paints {
    const SVGPaint* fill = nullptr;
    const SVGStroke* stroke = nullptr;
};

// The fill and the stroke of a shape or a text.
Paints paintsOf(const SVGNode& node);

// Whether the paint is a gradient in bounding-box units, which needs the node's box.
bool readsBox(const SVGPaint* paint);
// Whether the stroke draws anything: it has a paint and a width.
bool strokes(const SVGStroke* stroke);
// Whether the paint is a colour without transparency, which Qt lays on without blending.
bool isOpaqueColour(const SVGPaint& paint);

} // namespace marlox::vector::drawing
