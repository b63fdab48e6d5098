#pragma once

// Builders of node trees in code, shared by the tests of the node model, the drawing and the
// document view.
#include "VectorTestSupport.h"
#include "vector/PathReader.h"
#include "vector/SVGGroup.h"
#include "vector/SVGPath.h"
#include "vector/SVGShapes.h"
#include "vector/SVGUserSpaceNode.h"

#include <QList>
#include <QRectF>
#include <QTransform>

#include <memory>
#include <optional>
#include <utility>

namespace marlox::vector::testing {

using Nodes = QList<std::shared_ptr<SVGNode>>;
using UserSpace = SVGUserSpaceNode::UserSpace;

template <typename Node>
std::shared_ptr<Node> withId(std::shared_ptr<Node> node, const QString& id) {
    node->setId(id);
    return node;
}

inline std::shared_ptr<SVGPath> path(const char* data, Qt::FillRule rule = Qt::WindingFill) {
    return std::make_shared<SVGPath>(PathReader::readAll(QString::fromLatin1(data)), rule);
}

template <typename Shape>
std::shared_ptr<Shape> filled(std::shared_ptr<Shape> shape, std::shared_ptr<const SVGPaint> fill) {
    shape->setFill(std::move(fill));
    return shape;
}

template <typename Shape>
std::shared_ptr<Shape> filled(std::shared_ptr<Shape> shape, qint64 color) {
    return filled(std::move(shape), paint(color));
}

template <typename Shape>
std::shared_ptr<Shape> stroked(std::shared_ptr<Shape> shape,
                               std::shared_ptr<const SVGStroke> outline) {
    shape->setStroke(std::move(outline));
    return shape;
}

template <typename Node> std::shared_ptr<Node> faded(std::shared_ptr<Node> node, double opacity) {
    node->setOpacity(opacity);
    return node;
}

template <typename Node>
std::shared_ptr<Node> clipped(std::shared_ptr<Node> node, std::shared_ptr<SVGNode> content) {
    node->setClip(
        std::make_shared<SVGUserSpaceNode>(std::move(content), UserSpace::userSpaceOnUse));
    return node;
}

template <typename Node>
std::shared_ptr<Node> moved(std::shared_ptr<Node> node, const QTransform& transform) {
    node->setTransform(transform);
    return node;
}

inline std::shared_ptr<SVGRect> rect(double x, double y, double width, double height,
                                     qint64 color) {
    return filled(std::make_shared<SVGRect>(x, y, width, height), color);
}

inline std::shared_ptr<SVGGroup> group(Nodes contents) {
    return std::make_shared<SVGGroup>(std::move(contents));
}

inline std::shared_ptr<SVGViewport> viewport(double width, double height,
                                             std::optional<QRectF> viewBox, Nodes contents,
                                             SVGPreserveAspectRatio rule = {}) {
    return std::make_shared<SVGViewport>(SVGLength::pixels(width), SVGLength::pixels(height),
                                         viewBox, rule, std::move(contents));
}

inline std::shared_ptr<const SVGPaint> linear(double x1, double y1, double x2, double y2,
                                              bool user) {
    return std::make_shared<const SVGLinearGradient>(
        x1, y1, x2, y2, user,
        QList<SVGStop>{SVGStop(SVGColor(0xFF0000), 0), SVGStop(SVGColor(0x0000FF), 1)});
}

} // namespace marlox::vector::testing
