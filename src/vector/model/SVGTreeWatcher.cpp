#include "vector/SVGTreeWatcher.h"

#include "vector/SVGGroup.h"
#include "vector/SVGUserSpaceNode.h"

#include <QSet>

namespace marlox::vector {

namespace {

// Every node reachable from the root, each once, even when shared or part of a cycle.
void collect(SVGNode* node, QSet<SVGNode*>& seen, QList<SVGNode*>& nodes) {
    if (!node || seen.contains(node)) {
        return;
    }
    seen.insert(node);
    nodes.append(node);
    collect(node->clip().get(), seen, nodes);
    collect(node->mask().get(), seen, nodes);
    if (const auto* wrapper = qobject_cast<SVGUserSpaceNode*>(node)) {
        collect(wrapper->node().get(), seen, nodes);
    }
    if (const auto* group = qobject_cast<SVGGroup*>(node)) {
        for (const std::shared_ptr<SVGNode>& child : group->contents()) {
            collect(child.get(), seen, nodes);
        }
    }
}

} // namespace

SVGTreeWatcher::SVGTreeWatcher(std::shared_ptr<SVGNode> root, QObject* parent)
    : QObject(parent), m_root(std::move(root)) {
    watchTree();
}

void SVGTreeWatcher::watchTree() {
    for (const QMetaObject::Connection& connection : m_connections) {
        disconnect(connection);
    }
    m_connections.clear();

    QSet<SVGNode*> seen;
    QList<SVGNode*> nodes;
    collect(m_root.get(), seen, nodes);
    for (SVGNode* node : nodes) {
        // A replaced child, clip or mask changes what is watched: the tree is walked again
        // before the change is reported (the field's signal comes before changed()).
        m_connections.append(
            connect(node, &SVGNode::clipChanged, this, &SVGTreeWatcher::watchTree));
        m_connections.append(
            connect(node, &SVGNode::maskChanged, this, &SVGTreeWatcher::watchTree));
        if (auto* group = qobject_cast<SVGGroup*>(node)) {
            m_connections.append(
                connect(group, &SVGGroup::contentsChanged, this, &SVGTreeWatcher::watchTree));
        }
        m_connections.append(connect(node, &SVGNode::changed, this, &SVGTreeWatcher::treeChanged));
    }
}

} // namespace marlox::vector
