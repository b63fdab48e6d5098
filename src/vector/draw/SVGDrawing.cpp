#include "vector/SVGDrawing.h"

#include "SVGBrushes.h"
#include "SVGDrawState.h"
#include "SVGDrawnExtent.h"
#include "SVGLayer.h"
#include "SVGOutlines.h"
#include "vector/SVGGroup.h"
#include "vector/SVGImage.h"
#include "vector/SVGObjectBounds.h"
#include "vector/SVGPreserveAspectRatio.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <functional>
#include <memory>

namespace marlox::vector {
namespace {

using namespace drawing;

void drawNodeIn(QPainter& painter, const SVGNode& node, const DrawState& state);

// Masks the layer by the clip's content: in the node's user space, or stretched over the node's
// box for bounding-box units.
void applyNodeClip(Layer& layer, const SVGUserSpaceNode& clip, const SVGNode& node,
                   const DrawState& state) {
    Layer mask(layer.painter());
    if (clip.userSpace() == SVGUserSpaceNode::UserSpace::objectBoundingBox) {
        const QRectF box = objectBoundingBox(node);
        // Units of a box without area cover nothing.
        if (!hasArea(box)) {
            layer.maskWith(mask);
            return;
        }
        mask.painter().setTransform(SVGHelper::objectBoundingBoxTransform(box), true);
    }
    DrawState geometry = state;
    geometry.clipGeometry = true;
    drawNodeIn(mask.painter(), *clip.node(), geometry);
    layer.maskWith(mask);
}

// Where the clip lets anything through, in the clipped node's user space: its content, stretched
// over the node's box for bounding-box units.
QRectF clipExtent(const SVGUserSpaceNode& clip, const SVGNode& node, const DrawState& state) {
    const QRectF extent = drawnExtent(*clip.node(), state);
    if (clip.userSpace() == SVGUserSpaceNode::UserSpace::userSpaceOnUse || isNullRect(extent)) {
        return extent;
    }
    const QRectF box = objectBoundingBox(node);
    return hasArea(box) ? SVGHelper::objectBoundingBoxTransform(box).mapRect(extent) : nullRect();
}

// The node's opacity, clip and transform laid on its content. Content that may cover itself
// (a fill under a stroke, a group's children) goes through an offscreen layer at reduced
// opacity, so that it is composited once; a clip always does. The layer is only as large as
// the content, within the clip.
void applyNodeModifiers(QPainter& painter, const SVGNode& node, const DrawState& state,
                        bool contentCoversItself, const Content& content,
                        const ContentExtent& extent) {
    const double opacity = state.clipGeometry ? 1.0 : drawnOpacity(node.opacity());
    if (!(opacity > 0) || !node.transform().isInvertible()) {
        return;
    }
    painter.save();
    painter.setTransform(node.transform(), true);
    const SVGUserSpaceNode* clip = clipOf(node);
    if (!clip && (opacity >= 1 || !contentCoversItself)) {
        painter.setOpacity(painter.opacity() * opacity);
        content(painter);
    } else {
        QRectF layerExtent = extent();
        if (clip && !isNullRect(layerExtent)) {
            const QRectF passed = layerExtent.intersected(clipExtent(*clip, node, state));
            layerExtent = hasArea(passed) ? passed : nullRect();
        }
        Layer layer(painter, layerExtent);
        if (!layer.isEmpty()) {
            content(layer.painter());
            if (clip) {
                applyNodeClip(layer, *clip, node, state);
            }
            layer.compositeInto(painter, opacity);
        }
    }
    painter.restore();
}

void applyFillPaint(QPainter& painter, const Outline& outline, const SVGPaint* fill,
                    const QRectF& box) {
    if (!fill) {
        return;
    }
    if (const std::optional<QBrush> brush = brushOf(*fill, box)) {
        painter.fillPath(outline.path, *brush);
    }
}

void applyStroke(QPainter& painter, const Outline& outline, const SVGStroke* stroke,
                 const QRectF& box) {
    if (!strokes(stroke)) {
        return;
    }
    QPen pen = stroke->toQPen();
    if (pen.style() == Qt::NoPen) {
        return;
    }
    if (const std::optional<QBrush> brush = brushOf(*stroke->fill(), box)) {
        pen.setBrush(*brush);
        painter.strokePath(outline.path, pen);
        if (!outline.dots.isEmpty()) {
            painter.fillPath(capsOfDots(outline.dots, *stroke), *brush);
        }
    }
}

// A shape or a text: its fill first and its stroke over it, then the node's attributes. The
// outline carries its own coordinates, so the transform and the clip act in the parent's space.
void drawPathShape(QPainter& painter, const SVGNode& node, const Outline& outline,
                   const SVGPaint* fill, const SVGStroke* stroke, const DrawState& state) {
    if (state.clipGeometry) {
        applyNodeModifiers(
            painter, node, state, false,
            [&outline](QPainter& content) { content.fillPath(outline.path, Qt::black); },
            [&outline] { return outlineExtent(outline, nullptr); });
        return;
    }
    if (!fill && !strokes(stroke)) {
        return;
    }
    const QRectF box = readsBox(fill) || (strokes(stroke) && readsBox(stroke->fill().get()))
                           ? objectBoundingBox(node)
                           : nullRect();
    applyNodeModifiers(
        painter, node, state, fill && strokes(stroke),
        [&](QPainter& content) {
            applyFillPaint(content, outline, fill, box);
            applyStroke(content, outline, stroke, box);
        },
        [&] { return outlineExtent(outline, stroke); });
}

void drawShape(QPainter& painter, const SVGNode& node, const DrawState& state) {
    if (const std::optional<Outline> outline = outlineOf(node)) {
        const Paints paints = paintsOf(node);
        drawPathShape(painter, node, *outline, paints.fill, paints.stroke, state);
    }
}

QByteArray imageBytes(const SVGImage& node) {
    if (node.kind() == SVGNodeKind::dataImage) {
        return static_cast<const SVGDataImage&>(node).data();
    }
    return static_cast<const SVGURLImage&>(node).data().value_or(QByteArray());
}

// Raster bytes in any format Qt's image reader knows, but for markup, which only this library
// reads. The size the bytes declare is checked before anything is allocated for them.
QImage decodedImage(const QByteArray& bytes) {
    constexpr qint64 maximumImageBytes = qint64(64) << 20;
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return {};
    }
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    const QByteArray format = reader.format();
    if (format == "svg" || format == "svgz" || !size.isValid() ||
        qint64(size.width()) * size.height() * 4 > maximumImageBytes) {
        return {};
    }
    return reader.read();
}

void drawDocumentIn(QPainter& painter, const SVGNode& root, const QSizeF& space,
                    const DrawState& state);

// A vector image drawn as a document in its rectangle's space; a raster one fitted into the
// rectangle keeping its aspect ratio, centred. Bytes that are neither draw nothing.
void drawImage(QPainter& painter, const SVGImage& node, const DrawState& state) {
    if (state.clipGeometry || !(node.width() > 0 && node.height() > 0)) {
        return;
    }
    const QSizeF box(node.width(), node.height());
    if (const std::shared_ptr<const SVGNode>& document = node.document()) {
        applyNodeModifiers(
            painter, node, state, true,
            [&](QPainter& content) {
                content.translate(node.x(), node.y());
                drawDocumentIn(content, *document, box, state);
            },
            [&] { return contentExtent(node, state); });
        return;
    }
    const QImage image = decodedImage(imageBytes(node));
    if (image.isNull()) {
        return;
    }
    const QTransform placement = SVGPreserveAspectRatio().layout(QSizeF(image.size()), box) *
                                 QTransform::fromTranslate(node.x(), node.y());
    applyNodeModifiers(
        painter, node, state, false,
        [&](QPainter& content) {
            content.setTransform(placement, true);
            content.drawImage(QPointF(0, 0), image);
        },
        [&] { return contentExtent(node, state); });
}

void drawGroup(QPainter& painter, const SVGGroup& group, const DrawState& state) {
    const QList<std::shared_ptr<SVGNode>>& children = group.contents();
    if (children.isEmpty()) {
        return;
    }
    applyNodeModifiers(
        painter, group, state, true,
        [&](QPainter& content) {
            for (const std::shared_ptr<SVGNode>& child : children) {
                drawNodeIn(content, *child, state);
            }
        },
        [&] { return contentExtent(group, state); });
}

// The viewport's content placed into a space of the given size and cut to it.
void drawViewport(QPainter& painter, const SVGViewport& viewport, const QSizeF& space,
                  const DrawState& state) {
    const QRectF content = viewport.contentRect(space);
    if (!hasArea(space) || !hasArea(content)) {
        return;
    }
    painter.save();
    painter.setClipRect(QRectF(QPointF(0, 0), space), Qt::IntersectClip);
    painter.setTransform(viewport.placementTransform(space), true);
    DrawState inner = state;
    inner.viewportSize = content.size();
    drawGroup(painter, viewport, inner);
    painter.restore();
}

void drawNodeIn(QPainter& painter, const SVGNode& node, const DrawState& state) {
    switch (node.kind()) {
    case SVGNodeKind::viewport: {
        const auto& viewport = static_cast<const SVGViewport&>(node);
        drawViewport(painter, viewport, viewport.resolvedSize(state.viewportSize), state);
        break;
    }
    case SVGNodeKind::group:
        drawGroup(painter, static_cast<const SVGGroup&>(node), state);
        break;
    case SVGNodeKind::dataImage:
    case SVGNodeKind::urlImage:
        drawImage(painter, static_cast<const SVGImage&>(node), state);
        break;
    case SVGNodeKind::userSpace:
        if (const SVGNode* content = drawnAlone(static_cast<const SVGUserSpaceNode&>(node))) {
            drawNodeIn(painter, *content, state);
        }
        break;
    default:
        // The shapes and the text.
        drawShape(painter, node, state);
        break;
    }
}

// The root viewport takes the whole space, whatever size it asks for, and nothing is drawn
// outside the space.
void drawDocumentIn(QPainter& painter, const SVGNode& root, const QSizeF& space,
                    const DrawState& state) {
    if (!hasArea(space)) {
        return;
    }
    painter.save();
    painter.setClipRect(QRectF(QPointF(0, 0), space), Qt::IntersectClip);
    DrawState inner = state;
    inner.viewportSize = space;
    if (root.kind() == SVGNodeKind::viewport) {
        drawViewport(painter, static_cast<const SVGViewport&>(root), space, inner);
    } else {
        drawNodeIn(painter, root, inner);
    }
    painter.restore();
}

// Whether the subtree draws anything Qt blends rather than lays on: a translucent colour, a
// gradient, an image or a node's opacity.
bool blends(const SVGNode& node) {
    if (drawnOpacity(node.opacity()) < 1) {
        return true;
    }
    switch (node.kind()) {
    case SVGNodeKind::viewport:
    case SVGNodeKind::group: {
        const QList<std::shared_ptr<SVGNode>>& children =
            static_cast<const SVGGroup&>(node).contents();
        return std::any_of(children.begin(), children.end(),
                           [](const std::shared_ptr<SVGNode>& child) { return blends(*child); });
    }
    case SVGNodeKind::dataImage:
    case SVGNodeKind::urlImage:
        return true;
    case SVGNodeKind::userSpace: {
        const SVGNode* content = drawnAlone(static_cast<const SVGUserSpaceNode&>(node));
        return content && blends(*content);
    }
    default: {
        const Paints paints = paintsOf(node);
        return (paints.fill && !isOpaqueColour(*paints.fill)) ||
               (strokes(paints.stroke) && !isOpaqueColour(*paints.stroke->fill()));
    }
    }
}

// Qt's raster engine hands the blending of every larger blended fill or stroke (a translucent
// colour, a gradient, an opacity) in parts to its global thread pool and waits for them, unless
// it runs on a thread of that pool already: for the many small shapes of a document the
// hand-offs cost several times the blending itself. So the whole drawing runs on one thread of
// that pool while the caller waits, or on the caller's own thread when none is free at once, so
// that it never waits behind queued work.
void drawOnOneThread(const std::function<void()>& drawing) {
    QThreadPool* pool = QThreadPool::globalInstance();
    if (!pool || pool->contains(QThread::currentThread())) {
        drawing();
        return;
    }
    // Shared, so that it outlives a release that is still waking the caller when the caller,
    // woken, has already returned.
    const auto drawn = std::make_shared<QSemaphore>();
    if (!pool->tryStart([&drawing, drawn] {
            drawing();
            drawn->release();
        })) {
        drawing();
        return;
    }
    drawn->acquire();
}

} // namespace

void drawDocument(QPainter& painter, const SVGNode* root, const QSizeF& space) {
    if (!root) {
        return;
    }
    const auto drawing = [&] {
        painter.save();
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        drawDocumentIn(painter, *root, space, DrawState{space});
        painter.restore();
    };
    // An image may be painted on any thread; a widget or a pixmap only on the GUI thread. What
    // only lays opaque colours on gains nothing from another thread and would pay the hand-off.
    if (painter.device() && painter.device()->devType() == QInternal::Image && blends(*root)) {
        drawOnOneThread(drawing);
    } else {
        drawing();
    }
}

QImage renderDocument(const SVGNode* root, int size) {
    QImage image(std::max(size, 1), std::max(size, 1), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawDocument(painter, root, QSizeF(size, size));
    return image;
}

void drawNode(QPainter& painter, const SVGNode& node, const QSizeF& viewportSize) {
    drawNodeIn(painter, node, DrawState{viewportSize});
}

} // namespace marlox::vector
