#pragma once

#include "vector/SVGPaint.h"
#include "vector/SVGStroke.h"

#include <QList>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace marlox::vector {

// The concrete kinds of node, in the order the drawing tests them (a viewport is also a group).
enum class SVGNodeKind {
    viewport,
    group,
    rect,
    text,
    dataImage,
    urlImage,
    ellipse,
    line,
    polyline,
    path,
    circle,
    userSpace,
    polygon,
};

// A gesture the node's view recognises; only taps exist.
struct SVGGesture {
    int tapCount = 1;
    std::function<void()> onEnded;
};

// The base of every drawable node. Nodes are always held by std::shared_ptr: a tree, a view and
// the clips of several nodes may share one. They live on the main thread.
//
// Every write of a published field emits the field's own signal and then changed(), even when
// the value stays the same; watch changed() of every node (SVGTreeWatcher) to follow a tree.
class SVGNode : public QObject, public std::enable_shared_from_this<SVGNode> {
    Q_OBJECT
    Q_PROPERTY(QTransform transform READ transform WRITE setTransform NOTIFY transformChanged)
    Q_PROPERTY(bool opaque READ opaque WRITE setOpaque NOTIFY opaqueChanged)
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity NOTIFY opacityChanged)
    Q_PROPERTY(
        std::shared_ptr<marlox::vector::SVGNode> clip READ clip WRITE setClip NOTIFY clipChanged)
    Q_PROPERTY(
        std::shared_ptr<marlox::vector::SVGNode> mask READ mask WRITE setMask NOTIFY maskChanged)
    Q_PROPERTY(std::optional<QString> id READ id WRITE setId NOTIFY idChanged)

public:
    ~SVGNode() override;

    virtual SVGNodeKind kind() const = 0;

    const QTransform& transform() const { return m_transform; }
    void setTransform(const QTransform& transform);
    bool opaque() const { return m_opaque; }
    void setOpaque(bool opaque);
    double opacity() const { return m_opacity; }
    void setOpacity(double opacity);
    // The parser stores an SVGUserSpaceNode here.
    const std::shared_ptr<SVGNode>& clip() const { return m_clip; }
    void setClip(std::shared_ptr<SVGNode> clip);
    // Kept, but no drawing reads it.
    const std::shared_ptr<SVGNode>& mask() const { return m_mask; }
    void setMask(std::shared_ptr<SVGNode> mask);
    const std::optional<QString>& id() const { return m_id; }
    void setId(std::optional<QString> id);

    // The node's box in its parent's user space; the node's own transform is not applied.
    virtual QRectF frame() const = 0;
    // The frame's size at the origin; groups, viewports and paths answer their own.
    virtual QRectF bounds() const;

    // The node itself when its id equals the text (canonically equivalent Unicode, case
    // sensitive); groups search their children depth first.
    virtual std::shared_ptr<SVGNode> getNode(const QString& id);

    // Gestures are not published: changing them announces nothing and takes effect the next
    // time the node's view is built.
    const QList<SVGGesture>& gestures() const { return m_gestures; }
    void onTapGesture(int count, std::function<void()> tapClosure);
    void addGesture(SVGGesture gesture);
    void removeAllGestures();

signals:
    void transformChanged();
    void opaqueChanged();
    void opacityChanged();
    void clipChanged();
    void maskChanged();
    void idChanged();
    // After any published field of the node has changed.
    void changed();

protected:
    SVGNode();
    SVGNode(const QTransform& transform, bool opaque, double opacity, std::shared_ptr<SVGNode> clip,
            std::shared_ptr<SVGNode> mask, std::optional<QString> id);

    // Moves the nodes this one holds (its clip and mask, a group's children, a wrapper's
    // content) into the list.
    virtual void giveUpNodes(std::vector<std::shared_ptr<SVGNode>>& nodes);
    // Lets go of the nodes held, and of those they alone hold, level by level rather than on the
    // stack, which a deep tree would exhaust. Each destructor that holds nodes calls it.
    void releaseHeldNodes();

    // Stores a published field's new value and announces it.
    template <typename Owner, typename Value, typename Argument>
    void publish(Value& field, Argument&& value, void (Owner::*fieldChanged)()) {
        field = std::forward<Argument>(value);
        Owner* owner = static_cast<Owner*>(this);
        emit(owner->*fieldChanged)();
        emit changed();
    }

private:
    QTransform m_transform;
    bool m_opaque = true;
    double m_opacity = 1;
    std::shared_ptr<SVGNode> m_clip;
    std::shared_ptr<SVGNode> m_mask;
    std::optional<QString> m_id;
    QList<SVGGesture> m_gestures;
};

// The base of the geometric nodes: a node with a fill and a stroke, both absent at first.
class SVGShape : public SVGNode {
    Q_OBJECT
    Q_PROPERTY(std::shared_ptr<const marlox::vector::SVGPaint> fill READ fill WRITE setFill NOTIFY
                   fillChanged)
    Q_PROPERTY(std::shared_ptr<const marlox::vector::SVGStroke> stroke READ stroke WRITE setStroke
                   NOTIFY strokeChanged)

public:
    const std::shared_ptr<const SVGPaint>& fill() const { return m_fill; }
    void setFill(std::shared_ptr<const SVGPaint> fill);
    const std::shared_ptr<const SVGStroke>& stroke() const { return m_stroke; }
    void setStroke(std::shared_ptr<const SVGStroke> stroke);

signals:
    void fillChanged();
    void strokeChanged();

protected:
    SVGShape() = default;
    SVGShape(const QTransform& transform, bool opaque, double opacity,
             std::shared_ptr<SVGNode> clip, std::shared_ptr<SVGNode> mask,
             std::optional<QString> id);

private:
    std::shared_ptr<const SVGPaint> m_fill;
    std::shared_ptr<const SVGStroke> m_stroke;
};

namespace SVGHelper {

// Maps clip content given in bounding-box units onto the target: a point (u, v) of the content
// lands at (T.minX + u * T.width, T.minY + v * T.height), T the target's bounds.
QTransform objectBoundingBoxTransform(const SVGNode& content, const SVGNode& target);
// The same for a target box given directly: (u, v) lands at (minX + u * width, minY + v * height).
// A null box counts as the empty box at the origin.
QTransform objectBoundingBoxTransform(const QRectF& targetBox);

} // namespace SVGHelper

} // namespace marlox::vector
