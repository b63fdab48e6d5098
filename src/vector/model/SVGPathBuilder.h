#pragma once

#include "vector/PathSegment.h"
#include "vector/SVGBezierPath.h"

#include <QList>

namespace marlox::vector {

// Builds the outline of path segments: quadratic curves become cubics, arcs become circular
// arcs, transformed for ellipses and rotations. Segments that need a current point and come
// without one, and segments with too few numbers, are left out.
SVGBezierPath toBezierPath(const QList<PathSegment>& segments);

} // namespace marlox::vector
