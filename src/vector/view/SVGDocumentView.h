#pragma once

#include "vector/SVGNode.h"

#include <QByteArray>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>

class QIODevice;

namespace marlox::vector {

class SVGTreeWatcher;
class XMLElement;

// Shows a vector-graphics document: draws its node tree in the space the widget is given,
// repaints when any node of the tree announces a change, and runs a node's gestures when a tap
// lands on what the node draws. Without a tree it shows nothing.
class SVGDocumentView : public QWidget {
    Q_OBJECT

public:
    // Each parses its markup once, with the default settings; markup that gives no tree shows
    // nothing.
    explicit SVGDocumentView(const QString& string, QWidget* parent = nullptr);
    explicit SVGDocumentView(const QByteArray& data, QWidget* parent = nullptr);
    // A markup file; images it names resolve against its folder.
    explicit SVGDocumentView(const QUrl& contentsOf, QWidget* parent = nullptr);
    // Markup read from the stream to its end.
    explicit SVGDocumentView(QIODevice* stream, QWidget* parent = nullptr);
    explicit SVGDocumentView(const XMLElement& xml, QWidget* parent = nullptr);
    // A tree built elsewhere, drawn as it is.
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
