#pragma once

#include "vector/SVGNode.h"

#include <QList>
#include <QMetaObject>
#include <QObject>

#include <memory>

namespace marlox::vector {

// Reports every change of a published field anywhere in a tree: the root, the children of its
// groups, and the clips and masks of every node with their wrapped content. It follows the tree
// as children, clips and masks are replaced.
class SVGTreeWatcher : public QObject {
    Q_OBJECT

public:
    explicit SVGTreeWatcher(std::shared_ptr<SVGNode> root, QObject* parent = nullptr);

    const std::shared_ptr<SVGNode>& root() const { return m_root; }

signals:
    // Once for each announcement of a node in the tree.
    void treeChanged();

private:
    void watchTree();

    std::shared_ptr<SVGNode> m_root;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace marlox::vector
