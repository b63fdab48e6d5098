#include "vector/SVGObjectBounds.h"

#include "vector/SVGGeometry.h"
#include "vector/SVGGroup.h"
#include "vector/SVGUserSpaceNode.h"

namespace marlox::vector {

QRectF objectBoundingBox(const SVGNode& node) {
    switch (node.kind()) {
    case SVGNodeKind::viewport:
    case SVGNodeKind::group: {
        QRectF united = nullRect();
        for (const std::shared_ptr<SVGNode>& child :
             static_cast<const SVGGroup&>(node).contents()) {
            const QRectF box = objectBoundingBox(*child);
            if (!isNullRect(box)) {
                united = unionRect(united, child->transform().mapRect(box));
            }
        }
        return united;
    }
    case SVGNodeKind::userSpace: {
        const auto& wrapper = static_cast<const SVGUserSpaceNode&>(node);
        return wrapper.node() ? objectBoundingBox(*wrapper.node()) : nullRect();
    }
    case SVGNodeKind::path:
        return node.frame();
    default:
        return node.frame().normalized();
    }
}

} // namespace marlox::vector
