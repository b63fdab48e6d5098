#pragma once

#include "vector/SVGNode.h"

#include <QRectF>

namespace marlox::vector {

// The box that bounding-box units of a gradient or a clip refer to: the node's geometry in its
// parent's user space with its own transform not applied. A shape's, text's or image's frame;
// the union of a group's children's boxes, each mapped through its child's transform. The null
// rectangle when nothing in the node has a box.
QRectF objectBoundingBox(const SVGNode& node);

} // namespace marlox::vector
