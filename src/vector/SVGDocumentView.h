#pragma once

#include "vector/SVGNode.h"

#include <QPointF>
#include <QSize>
#include <QWidget>

#include <memory>

namespace marlox::vector {

class SVGTreeWatcher;

// Shows a vector-graphics document: draws its node tree in the space the widget is given,
// repaints when any node of the tree announces a change, and runs a node's gestures when a tap
// lands on what the node draws. Without a tree it shows nothing.
class SVGDocumentView : public QWidget {
    Q_OBJECT

public:
    explicit SVGDocumentView(std::shared_ptr<SVGNode> svg, QWidget* parent = nullptr);
    ~SVGDocumentView() override;

    // The drawn tree, shared with whoever else holds it; none when there is nothing to draw.
    const std::shared_ptr<SVGNode>& svg() const { return m_svg; }
    // The node of the tree with that id; none without a tree.
    std::shared_ptr<SVGNode> getNode(const QString& id) const;

    // A root viewport's size in pixels where it gives one; the widget takes any space offered.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void tap(const QPointF& point, int tapCount);

    std::shared_ptr<SVGNode> m_svg;
    SVGTreeWatcher* m_watcher = nullptr;
    QPointF m_pressPosition;
    int m_tapCount = 0;
};

} // namespace marlox::vector
