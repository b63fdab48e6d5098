#include "vector/SVGNode.h"

#include "vector/SVGGeometry.h"

#include <cmath>

namespace marlox::vector {

namespace {

// Texts are equal when they are canonically equivalent (a precomposed "é" equals "e" and its
// combining accent), as ids written by different tools may differ in this way.
bool sameText(const QString& first, const QString& second) {
    return first == second || first.normalized(QString::NormalizationForm_C) ==
                                  second.normalized(QString::NormalizationForm_C);
}

} // namespace

SVGNode::SVGNode() = default;

SVGNode::SVGNode(const QTransform& transform, bool opaque, double opacity,
                 std::shared_ptr<SVGNode> clip, std::shared_ptr<SVGNode> mask,
                 std::optional<QString> id)
    : m_transform(transform), m_opaque(opaque), m_opacity(opacity), m_clip(std::move(clip)),
      m_mask(std::move(mask)), m_id(std::move(id)) {}

SVGNode::~SVGNode() {
    releaseHeldNodes();
}

void SVGNode::giveUpNodes(std::vector<std::shared_ptr<SVGNode>>& nodes) {
    for (std::shared_ptr<SVGNode>* held : {&m_clip, &m_mask}) {
        if (*held) {
            nodes.push_back(std::move(*held));
        }
    }
}

void SVGNode::releaseHeldNodes() {
    std::vector<std::shared_ptr<SVGNode>> nodes;
    giveUpNodes(nodes);
    while (!nodes.empty()) {
        std::shared_ptr<SVGNode> node = std::move(nodes.back());
        nodes.pop_back();
        // The last reference: what the node holds leaves it before the node goes.
        if (node.use_count() == 1) {
            node->giveUpNodes(nodes);
        }
    }
}

void SVGNode::setTransform(const QTransform& transform) {
    publish(m_transform, transform, &SVGNode::transformChanged);
}

void SVGNode::setOpaque(bool opaque) {
    publish(m_opaque, opaque, &SVGNode::opaqueChanged);
}

void SVGNode::setOpacity(double opacity) {
    publish(m_opacity, opacity, &SVGNode::opacityChanged);
}

void SVGNode::setClip(std::shared_ptr<SVGNode> clip) {
    publish(m_clip, std::move(clip), &SVGNode::clipChanged);
}

void SVGNode::setMask(std::shared_ptr<SVGNode> mask) {
    publish(m_mask, std::move(mask), &SVGNode::maskChanged);
}

void SVGNode::setId(std::optional<QString> id) {
    publish(m_id, std::move(id), &SVGNode::idChanged);
}

QRectF SVGNode::bounds() const {
    const QRectF box = frame();
    // A box's width and height are its extents: a negative size counts as positive.
    return QRectF(0, 0, std::abs(box.width()), std::abs(box.height()));
}

std::shared_ptr<SVGNode> SVGNode::getNode(const QString& id) {
    // A node that no std::shared_ptr holds cannot be handed out; it answers nothing.
    if (m_id && sameText(*m_id, id)) {
        return weak_from_this().lock();
    }
    return nullptr;
}

void SVGNode::onTapGesture(int count, std::function<void()> tapClosure) {
    m_gestures.append(SVGGesture{count, std::move(tapClosure)});
}

void SVGNode::addGesture(SVGGesture gesture) {
    m_gestures.append(std::move(gesture));
}

void SVGNode::removeAllGestures() {
    m_gestures.clear();
}

SVGShape::SVGShape(const QTransform& transform, bool opaque, double opacity,
                   std::shared_ptr<SVGNode> clip, std::shared_ptr<SVGNode> mask,
                   std::optional<QString> id)
    : SVGNode(transform, opaque, opacity, std::move(clip), std::move(mask), std::move(id)) {}

void SVGShape::setFill(std::shared_ptr<const SVGPaint> fill) {
    publish(m_fill, std::move(fill), &SVGShape::fillChanged);
}

void SVGShape::setStroke(std::shared_ptr<const SVGStroke> stroke) {
    publish(m_stroke, std::move(stroke), &SVGShape::strokeChanged);
}

namespace SVGHelper {

QTransform objectBoundingBoxTransform(const SVGNode& /*content*/, const SVGNode& target) {
    // Laying the content box (0, 0, C.width, C.height) into the size (T.width * C.width,
    // T.height * C.height) with no aspect rule stretches it by T's size whatever C is; written
    // out so that a content box of zero size cannot divide by zero.
    return objectBoundingBoxTransform(target.bounds());
}

QTransform objectBoundingBoxTransform(const QRectF& targetBox) {
    const QRectF box = isNullRect(targetBox) ? QRectF() : targetBox;
    return QTransform(box.width(), 0, 0, box.height(), box.x(), box.y());
}

} // namespace SVGHelper

} // namespace marlox::vector
