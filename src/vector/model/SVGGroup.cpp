#include "vector/SVGGroup.h"

#include "vector/SVGGeometry.h"
#include "vector/SVGUserSpaceNode.h"

namespace marlox::vector {

SVGGroup::SVGGroup(QList<std::shared_ptr<SVGNode>> contents, const QTransform& transform,
                   bool opaque, double opacity, std::shared_ptr<SVGUserSpaceNode> clip,
                   std::shared_ptr<SVGNode> mask)
    : SVGNode(transform, opaque, opacity, std::move(clip), std::move(mask), std::nullopt),
      m_contents(std::move(contents)) {}

SVGGroup::~SVGGroup() {
    releaseHeldNodes();
}

void SVGGroup::giveUpNodes(std::vector<std::shared_ptr<SVGNode>>& nodes) {
    SVGNode::giveUpNodes(nodes);
    for (std::shared_ptr<SVGNode>& child : m_contents) {
        nodes.push_back(std::move(child));
    }
    m_contents.clear();
}

void SVGGroup::setContents(QList<std::shared_ptr<SVGNode>> contents) {
    publish(m_contents, std::move(contents), &SVGGroup::contentsChanged);
}

QRectF SVGGroup::bounds() const {
    if (m_contents.isEmpty()) {
        return QRectF(0, 0, 0, 0);
    }
    QRectF united = m_contents.constFirst()->bounds();
    for (const std::shared_ptr<SVGNode>& child : m_contents) {
        united = unionRect(united, child->bounds());
    }
    return united;
}

std::shared_ptr<SVGNode> SVGGroup::getNode(const QString& id) {
    if (std::shared_ptr<SVGNode> self = SVGNode::getNode(id)) {
        return self;
    }
    for (const std::shared_ptr<SVGNode>& child : m_contents) {
        if (std::shared_ptr<SVGNode> found = child->getNode(id)) {
            return found;
        }
    }
    return nullptr;
}

SVGViewport::SVGViewport(SVGLength width, SVGLength height, std::optional<QRectF> viewBox,
                         SVGPreserveAspectRatio preserveAspectRatio,
                         QList<std::shared_ptr<SVGNode>> contents)
    : SVGGroup(std::move(contents)), m_width(width), m_height(height),
      m_viewBox(std::move(viewBox)), m_preserveAspectRatio(preserveAspectRatio) {}

template <typename Value, typename Argument>
void SVGViewport::publishTwice(Value& field, Argument&& value,
                               void (SVGViewport::*fieldChanged)()) {
    // Observers hear of a viewport field twice: once announced explicitly, once by the field.
    emit changed();
    publish(field, std::forward<Argument>(value), fieldChanged);
}

void SVGViewport::setWidth(SVGLength width) {
    publishTwice(m_width, width, &SVGViewport::widthChanged);
}

void SVGViewport::setHeight(SVGLength height) {
    publishTwice(m_height, height, &SVGViewport::heightChanged);
}

void SVGViewport::setViewBox(std::optional<QRectF> viewBox) {
    publishTwice(m_viewBox, std::move(viewBox), &SVGViewport::viewBoxChanged);
}

void SVGViewport::setPreserveAspectRatio(SVGPreserveAspectRatio preserveAspectRatio) {
    publishTwice(m_preserveAspectRatio, preserveAspectRatio,
                 &SVGViewport::preserveAspectRatioChanged);
}

QSizeF SVGViewport::resolvedSize(const QSizeF& parent) const {
    return QSizeF(m_width.toPixels(parent.width()), m_height.toPixels(parent.height()));
}

QRectF SVGViewport::bounds() const {
    return QRectF(QPointF(0, 0), resolvedSize(QSizeF(0, 0)));
}

QRectF SVGViewport::contentRect(const QSizeF& space) const {
    if (m_viewBox) {
        return *m_viewBox;
    }
    return QRectF(QPointF(0, 0), resolvedSize(space));
}

QTransform SVGViewport::placementTransform(const QSizeF& space) const {
    const QRectF content = contentRect(space);
    const QTransform fitted =
        m_preserveAspectRatio.layout(QRectF(0, 0, content.width(), content.height()), space);
    return QTransform::fromTranslate(-content.x(), -content.y()) * fitted;
}

} // namespace marlox::vector
