#pragma once

#include "vector/SVGNode.h"

#include <QString>
#include <QStringView>

#include <array>
#include <memory>
#include <optional>

namespace marlox::vector {

// The content of a clip together with the units it is given in. The parser stores it in the
// clip field of the clipped node; it is never a child of a group.
class SVGUserSpaceNode : public SVGNode {
    Q_OBJECT

public:
    enum class UserSpace { objectBoundingBox, userSpaceOnUse };
    static constexpr std::array<UserSpace, 2> allUserSpaces = {UserSpace::objectBoundingBox,
                                                               UserSpace::userSpaceOnUse};
    // "objectBoundingBox" or "userSpaceOnUse".
    static QString rawValue(UserSpace userSpace);
    // Exact, case-sensitive match of a raw value.
    static std::optional<UserSpace> userSpaceFromRawValue(QStringView raw);

    SVGUserSpaceNode(std::shared_ptr<SVGNode> node, UserSpace userSpace);
    ~SVGUserSpaceNode() override;

    SVGNodeKind kind() const override { return SVGNodeKind::userSpace; }

    const std::shared_ptr<SVGNode>& node() const { return m_node; }
    UserSpace userSpace() const { return m_userSpace; }

    // The wrapped node's frame.
    QRectF frame() const override;

protected:
    void giveUpNodes(std::vector<std::shared_ptr<SVGNode>>& nodes) override;

private:
    // Set once; only given up when the wrapper goes.
    std::shared_ptr<SVGNode> m_node;
    const UserSpace m_userSpace;
};

} // namespace marlox::vector
