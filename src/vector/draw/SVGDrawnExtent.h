#pragma once

#include "SVGDrawState.h"
#include "SVGOutlines.h"
#include "vector/SVGNode.h"
#include "vector/SVGStroke.h"

#include <QRectF>

// Rectangles that hold all a node can draw, which bound the offscreen layers it is drawn through.
// They err on the large side: a layer cut smaller than what it holds would cut the drawing.
namespace marlox::vector::drawing {

// The outline with its stroke: half the width beyond the outline, times the longest miter the
// limit lets through or the diagonal of a square cap. Dashes only leave parts out.
QRectF outlineExtent(const Outline& outline, const SVGStroke* stroke);

// What the node's content can cover in the coordinates it is drawn in: the node's own user space,
// its transform not applied. A group's children each count through their own transform. The null
// rectangle when the node draws nothing.
QRectF contentExtent(const SVGNode& node, const DrawState& state);

// The same in the user space of the node's parent: its transform applied, or, for a viewport,
// the space it is cut to there.
QRectF drawnExtent(const SVGNode& node, const DrawState& state);

} // namespace marlox::vector::drawing
