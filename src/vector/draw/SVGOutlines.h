#pragma once

#include "vector/SVGNode.h"
#include "vector/SVGStroke.h"

#include <QList>
#include <QPainterPath>
#include <QPointF>

#include <optional>

namespace marlox::vector::drawing {

struct Outline {
    // With the rule that decides what is inside.
    QPainterPath path;
    // Where subpaths of no length stand: round and square caps still draw there.
    QList<QPointF> dots;
};

// The outline of a shape or a text in its own user space; none for other kinds and for sizes
// that draw nothing.
std::optional<Outline> outlineOf(const SVGNode& node);

// The caps of subpaths of no length, which Qt leaves out: a round one is a disc, a square one a
// square, both as wide as the stroke.
QPainterPath capsOfDots(const QList<QPointF>& dots, const SVGStroke& stroke);

} // namespace marlox::vector::drawing
