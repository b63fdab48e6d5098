#include "vector/SVGUserSpaceNode.h"

namespace marlox::vector {

QString SVGUserSpaceNode::rawValue(UserSpace userSpace) {
    return userSpace == UserSpace::objectBoundingBox ? QStringLiteral("objectBoundingBox")
                                                     : QStringLiteral("userSpaceOnUse");
}

std::optional<SVGUserSpaceNode::UserSpace>
SVGUserSpaceNode::userSpaceFromRawValue(QStringView raw) {
    for (const UserSpace userSpace : allUserSpaces) {
        if (raw == rawValue(userSpace)) {
            return userSpace;
        }
    }
    return std::nullopt;
}

SVGUserSpaceNode::SVGUserSpaceNode(std::shared_ptr<SVGNode> node, UserSpace userSpace)
    : m_node(std::move(node)), m_userSpace(userSpace) {}

SVGUserSpaceNode::~SVGUserSpaceNode() {
    releaseHeldNodes();
}

void SVGUserSpaceNode::giveUpNodes(std::vector<std::shared_ptr<SVGNode>>& nodes) {
    SVGNode::giveUpNodes(nodes);
    if (m_node) {
        nodes.push_back(std::move(m_node));
    }
}

QRectF SVGUserSpaceNode::frame() const {
    return m_node ? m_node->frame() : QRectF();
}

} // namespace marlox::vector
