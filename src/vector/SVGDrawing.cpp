#include "vector/SVGDrawing.h"

#include "vector/SVGGeometry.h"
#include "vector/SVGGroup.h"
#include "vector/SVGImage.h"
#include "vector/SVGPath.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"
#include "vector/SVGUserSpaceNode.h"

#include <QBrush>
#include <QBuffer>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace marlox::vector {

namespace {

// What the drawing of a subtree depends on besides the painter.
struct DrawState {
    // The size that percentages of a nested viewport refer to.
    QSizeF viewportSize;
    // Clip content counts by its geometry alone: filled opaque whatever its paints, strokes and
    // opacity say, images left out.
    bool clipGeometry = false;
};

using Content = std::function<void(QPainter&)>;

const QRectF unitSquare(0, 0, 1, 1);

bool hasArea(const QRectF& box) {
    return !isNullRect(box) && box.width() > 0 && box.height() > 0;
}

bool hasArea(const QSizeF& size) {
    return size.width() > 0 && size.height() > 0;
}

double drawnOpacity(double opacity) {
    return std::isnan(opacity) ? 1.0 : std::clamp(opacity, 0.0, 1.0);
}

const SVGUserSpaceNode* clipOf(const SVGNode& node) {
    // Only a wrapper says in which units its content is read; any other clip is ignored.
    const SVGNode* clip = node.clip().get();
    if (!clip || clip->kind() != SVGNodeKind::userSpace)
        return nullptr;
    const auto* wrapper = static_cast<const SVGUserSpaceNode*>(clip);
    return wrapper->node() ? wrapper : nullptr;
}

// Clockwise from the rightmost point, as a circle's or an ellipse's outline runs, so that a dash
// pattern starts there.
QPainterPath ellipseOutline(double cx, double cy, double rx, double ry) {
    constexpr double kappa = 0.5522847498307936;
    QPainterPath path;
    path.moveTo(cx + rx, cy);
    path.cubicTo(cx + rx, cy + ry * kappa, cx + rx * kappa, cy + ry, cx, cy + ry);
    path.cubicTo(cx - rx * kappa, cy + ry, cx - rx, cy + ry * kappa, cx - rx, cy);
    path.cubicTo(cx - rx, cy - ry * kappa, cx - rx * kappa, cy - ry, cx, cy - ry);
    path.cubicTo(cx + rx * kappa, cy - ry, cx + rx, cy - ry * kappa, cx + rx, cy);
    path.closeSubpath();
    return path;
}

QPainterPath rectOutline(const SVGRect& rect) {
    const QRectF box(rect.x(), rect.y(), rect.width(), rect.height());
    // Radii beyond half a side are clamped to it; a zero radius in either direction gives
    // square corners.
    const double rx = std::clamp(rect.rx(), 0.0, box.width() / 2);
    const double ry = std::clamp(rect.ry(), 0.0, box.height() / 2);
    const bool rounded = rx > 0 && ry > 0;
    return SVGBezierPath::roundedRect(box, rounded ? RectCorner::allCorners : RectCorner::none,
                                      QSizeF(rx, ry))
        .toPainterPath();
}

QFont textFont(const SVGText& text) {
    return text.font() ? text.font()->toQFont() : QFont();
}

struct Outline {
    // With the rule that decides what is inside.
    QPainterPath path;
    // Where subpaths of no length stand: round and square caps still draw there.
    QList<QPointF> dots;
};

QList<QPointF> zeroLengthSubpaths(const SVGBezierPath& path) {
    using Kind = SVGBezierPath::Element::Kind;
    QList<QPointF> dots;
    std::optional<QPointF> start;
    bool hasSegment = false;
    bool staysAtStart = true;
    const auto endSubpath = [&] {
        if (start && hasSegment && staysAtStart)
            dots.append(*start);
    };
    for (const SVGBezierPath::Element& element : path.elements()) {
        if (element.kind == Kind::moveTo) {
            endSubpath();
            start = element.points[0];
            hasSegment = false;
            staysAtStart = true;
            continue;
        }
        hasSegment = true;
        const int pointCount = element.kind == Kind::curveTo  ? 3
                               : element.kind == Kind::lineTo ? 1
                                                              : 0;
        for (int index = 0; index < pointCount; ++index)
            staysAtStart = staysAtStart && start && element.points[index] == *start;
    }
    endSubpath();
    return dots;
}

Outline bezierOutline(const SVGBezierPath& path) {
    return {path.toPainterPath(), zeroLengthSubpaths(path)};
}

// The outline of a shape or a text in its own user space; none for other kinds and for sizes
// that draw nothing.
std::optional<Outline> outlineOf(const SVGNode& node) {
    Outline outline;
    switch (node.kind()) {
    case SVGNodeKind::rect: {
        const auto& rect = static_cast<const SVGRect&>(node);
        if (!(rect.width() > 0 && rect.height() > 0))
            return std::nullopt;
        outline.path = rectOutline(rect);
        break;
    }
    case SVGNodeKind::circle: {
        const auto& circle = static_cast<const SVGCircle&>(node);
        if (!(circle.r() > 0))
            return std::nullopt;
        outline.path = ellipseOutline(circle.cx(), circle.cy(), circle.r(), circle.r());
        break;
    }
    case SVGNodeKind::ellipse: {
        const auto& ellipse = static_cast<const SVGEllipse&>(node);
        if (!(ellipse.rx() > 0 && ellipse.ry() > 0))
            return std::nullopt;
        outline.path = ellipseOutline(ellipse.cx(), ellipse.cy(), ellipse.rx(), ellipse.ry());
        break;
    }
    case SVGNodeKind::line:
        outline = bezierOutline(static_cast<const SVGLine&>(node).toBezierPath());
        break;
    case SVGNodeKind::polygon:
    case SVGNodeKind::polyline:
        outline = bezierOutline(static_cast<const SVGPointListShape&>(node).toBezierPath());
        break;
    case SVGNodeKind::path: {
        const auto& path = static_cast<const SVGPath&>(node);
        outline = bezierOutline(path.toBezierPath());
        outline.path.setFillRule(path.fillRule());
        break;
    }
    case SVGNodeKind::text: {
        const auto& text = static_cast<const SVGText&>(node);
        if (text.text().isEmpty())
            return std::nullopt;
        // The anchor sits at x = 0, the first baseline at y = 0.
        outline.path.addText(QPointF(text.frame().x(), 0), textFont(text), text.text());
        break;
    }
    default:
        return std::nullopt;
    }
    if (outline.path.isEmpty() && outline.dots.isEmpty())
        return std::nullopt;
    return outline;
}

QColor lastStopColor(const SVGGradient& gradient) {
    return gradient.stops().constLast().color().toQColor();
}

// A gradient brush in the gradient's own units: user coordinates, or fractions of the box that
// the brush's transform stretches over the node.
QBrush placedGradient(const QGradient& gradient, const SVGGradient& paint, const QRectF& box) {
    QBrush brush(gradient);
    if (!paint.userSpace())
        brush.setTransform(SVGHelper::objectBoundingBoxTransform(box));
    return brush;
}

// The brush of a paint on a node with the given box; none when it paints nothing: a gradient
// without stops, or in bounding-box units on a box without area.
std::optional<QBrush> brushOf(const SVGPaint& paint, const QRectF& box) {
    if (paint.kind() == SVGPaintKind::color)
        return QBrush(static_cast<const SVGColor&>(paint).toQColor());
    const auto& gradient = static_cast<const SVGGradient&>(paint);
    if (gradient.stops().isEmpty() || (!gradient.userSpace() && !hasArea(box)))
        return std::nullopt;
    if (paint.kind() == SVGPaintKind::linearGradient) {
        const auto& linear = static_cast<const SVGLinearGradient&>(paint);
        // Converting against the unit square leaves the coordinates as they are.
        const QLinearGradient qgradient = linear.toUnitGradient(unitSquare).toQGradient(unitSquare);
        // A gradient of no length paints its last colour.
        if (qgradient.start() == qgradient.finalStop())
            return QBrush(lastStopColor(gradient));
        return placedGradient(qgradient, gradient, box);
    }
    const auto& radial = static_cast<const SVGRadialGradient&>(paint);
    if (!(radial.r() > 0))
        return QBrush(lastStopColor(gradient));
    QRadialGradient qgradient = radial.toUnitGradient(unitSquare).toQGradient(unitSquare);
    // Qt moves a focal point outside the circle onto it, as the markup asks.
    qgradient.setFocalPoint(radial.fx(), radial.fy());
    return placedGradient(qgradient, gradient, box);
}

struct Paints {
    const SVGPaint* fill = nullptr;
    const SVGStroke* stroke = nullptr;
};

// The fill and the stroke of a shape or a text.
Paints paintsOf(const SVGNode& node) {
    if (node.kind() == SVGNodeKind::text) {
        const auto& text = static_cast<const SVGText&>(node);
        return {text.fill().get(), text.stroke().get()};
    }
    const auto& shape = static_cast<const SVGShape&>(node);
    return {shape.fill().get(), shape.stroke().get()};
}

// What a clip wrapper draws by itself: content in box units has no box to fit into alone.
const SVGNode* drawnAlone(const SVGUserSpaceNode& wrapper) {
    return wrapper.userSpace() == SVGUserSpaceNode::UserSpace::userSpaceOnUse ? wrapper.node().get()
                                                                              : nullptr;
}

bool readsBox(const SVGPaint* paint) {
    return paint && paint->kind() != SVGPaintKind::color &&
           !static_cast<const SVGGradient*>(paint)->userSpace();
}

bool strokes(const SVGStroke* stroke) {
    return stroke && stroke->fill() && stroke->width() > 0;
}

// The device's size in its own pixels: images and pixmaps count them, widgets count logical ones.
QSizeF pixelSize(const QPaintDevice& device) {
    const QSizeF size(device.width(), device.height());
    const bool countsPixels =
        device.devType() == QInternal::Image || device.devType() == QInternal::Pixmap;
    return countsPixels ? size : size * device.devicePixelRatio();
}

// An offscreen image covering what a painter can still draw on, in the device's pixels, painted
// in the same coordinates and then composited back onto it.
class Layer {
public:
    explicit Layer(QPainter& target) : m_ratio(target.device()->devicePixelRatio()) {
        // The combined transform maps to device pixels, the pixel ratio included.
        const QTransform toPixels = target.combinedTransform();
        QRectF area(QPointF(0, 0), pixelSize(*target.device()));
        if (target.hasClipping())
            area &= toPixels.mapRect(target.clipBoundingRect());
        m_area = area.toAlignedRect();
        if (m_area.isEmpty())
            return;
        m_image = QImage(m_area.size(), QImage::Format_ARGB32_Premultiplied);
        m_image.fill(Qt::transparent);
        m_painter.begin(&m_image);
        m_painter.setRenderHints(target.renderHints());
        m_painter.setTransform(toPixels * QTransform::fromTranslate(-m_area.x(), -m_area.y()));
    }

    bool isEmpty() const { return m_image.isNull(); }
    QPainter& painter() { return m_painter; }

    // Keeps only what the mask covers, in proportion to its coverage.
    void maskWith(Layer& mask) {
        m_painter.save();
        m_painter.resetTransform();
        if (mask.isEmpty()) {
            m_painter.setCompositionMode(QPainter::CompositionMode_Clear);
            m_painter.fillRect(m_image.rect(), Qt::transparent);
        } else {
            mask.m_painter.end();
            m_painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            m_painter.drawImage(QPointF(0, 0), mask.m_image);
        }
        m_painter.restore();
    }

    void compositeInto(QPainter& target, double opacity) {
        m_painter.end();
        // Without a transform the target still scales by its pixel ratio; so does the image.
        m_image.setDevicePixelRatio(m_ratio);
        target.save();
        target.resetTransform();
        target.setOpacity(target.opacity() * opacity);
        target.drawImage(QPointF(m_area.topLeft()) / m_ratio, m_image);
        target.restore();
    }

private:
    double m_ratio = 1;
    QRect m_area;
    QImage m_image;
    QPainter m_painter;
};

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

// The node's opacity, clip and transform laid on its content. Content that may cover itself
// (a fill under a stroke, a group's children) goes through an offscreen layer at reduced
// opacity, so that it is composited once; a clip always does.
void applyNodeModifiers(QPainter& painter, const SVGNode& node, const DrawState& state,
                        bool contentCoversItself, const Content& content) {
    const double opacity = state.clipGeometry ? 1.0 : drawnOpacity(node.opacity());
    if (!(opacity > 0) || !node.transform().isInvertible())
        return;
    painter.save();
    painter.setTransform(node.transform(), true);
    const SVGUserSpaceNode* clip = clipOf(node);
    if (!clip && (opacity >= 1 || !contentCoversItself)) {
        painter.setOpacity(painter.opacity() * opacity);
        content(painter);
    } else {
        Layer layer(painter);
        if (!layer.isEmpty()) {
            content(layer.painter());
            if (clip)
                applyNodeClip(layer, *clip, node, state);
            layer.compositeInto(painter, opacity);
        }
    }
    painter.restore();
}

void applyFillPaint(QPainter& painter, const Outline& outline, const SVGPaint* fill,
                    const QRectF& box) {
    if (!fill)
        return;
    if (const std::optional<QBrush> brush = brushOf(*fill, box))
        painter.fillPath(outline.path, *brush);
}

// The caps of subpaths of no length, which Qt leaves out: a round one is a disc, a square one a
// square, both as wide as the stroke.
QPainterPath capsOfDots(const QList<QPointF>& dots, const SVGStroke& stroke) {
    QPainterPath caps;
    const double half = stroke.width() / 2;
    for (const QPointF& dot : dots) {
        if (stroke.cap() == SVGLineCap::round)
            caps.addEllipse(dot, half, half);
        else if (stroke.cap() == SVGLineCap::square)
            caps.addRect(QRectF(dot.x() - half, dot.y() - half, stroke.width(), stroke.width()));
    }
    return caps;
}

void applyStroke(QPainter& painter, const Outline& outline, const SVGStroke* stroke,
                 const QRectF& box) {
    if (!strokes(stroke))
        return;
    QPen pen = stroke->toQPen();
    if (pen.style() == Qt::NoPen)
        return;
    if (const std::optional<QBrush> brush = brushOf(*stroke->fill(), box)) {
        pen.setBrush(*brush);
        painter.strokePath(outline.path, pen);
        if (!outline.dots.isEmpty())
            painter.fillPath(capsOfDots(outline.dots, *stroke), *brush);
    }
}

// A shape or a text: its fill first and its stroke over it, then the node's attributes. The
// outline carries its own coordinates, so the transform and the clip act in the parent's space.
void drawPathShape(QPainter& painter, const SVGNode& node, const Outline& outline,
                   const SVGPaint* fill, const SVGStroke* stroke, const DrawState& state) {
    if (state.clipGeometry) {
        applyNodeModifiers(painter, node, state, false, [&outline](QPainter& content) {
            content.fillPath(outline.path, Qt::black);
        });
        return;
    }
    if (!fill && !strokes(stroke))
        return;
    const QRectF box = readsBox(fill) || (strokes(stroke) && readsBox(stroke->fill().get()))
                           ? objectBoundingBox(node)
                           : nullRect();
    applyNodeModifiers(painter, node, state, fill && strokes(stroke), [&](QPainter& content) {
        applyFillPaint(content, outline, fill, box);
        applyStroke(content, outline, stroke, box);
    });
}

void drawShape(QPainter& painter, const SVGNode& node, const DrawState& state) {
    if (const std::optional<Outline> outline = outlineOf(node)) {
        const Paints paints = paintsOf(node);
        drawPathShape(painter, node, *outline, paints.fill, paints.stroke, state);
    }
}

QByteArray imageBytes(const SVGImage& node) {
    if (node.kind() == SVGNodeKind::dataImage)
        return static_cast<const SVGDataImage&>(node).data();
    return static_cast<const SVGURLImage&>(node).data().value_or(QByteArray());
}

// Raster bytes in any format Qt's image reader knows, but for markup, which only this library
// reads. The size the bytes declare is checked before anything is allocated for them.
QImage decodedImage(const QByteArray& bytes) {
    constexpr qint64 maximumImageBytes = qint64(64) << 20;
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    const QByteArray format = reader.format();
    if (format == "svg" || format == "svgz" || !size.isValid() ||
        qint64(size.width()) * size.height() * 4 > maximumImageBytes)
        return {};
    return reader.read();
}

void drawDocumentIn(QPainter& painter, const SVGNode& root, const QSizeF& space,
                    const DrawState& state);

// A vector image drawn as a document in its rectangle's space; a raster one fitted into the
// rectangle keeping its aspect ratio, centred. Bytes that are neither draw nothing.
void drawImage(QPainter& painter, const SVGImage& node, const DrawState& state) {
    if (state.clipGeometry || !(node.width() > 0 && node.height() > 0))
        return;
    const QSizeF box(node.width(), node.height());
    if (const std::shared_ptr<const SVGNode>& document = node.document()) {
        applyNodeModifiers(painter, node, state, true, [&](QPainter& content) {
            content.translate(node.x(), node.y());
            drawDocumentIn(content, *document, box, state);
        });
        return;
    }
    const QImage image = decodedImage(imageBytes(node));
    if (image.isNull())
        return;
    const QTransform placement = SVGPreserveAspectRatio().layout(QSizeF(image.size()), box) *
                                 QTransform::fromTranslate(node.x(), node.y());
    applyNodeModifiers(painter, node, state, false, [&](QPainter& content) {
        content.setTransform(placement, true);
        content.drawImage(QPointF(0, 0), image);
    });
}

void drawGroup(QPainter& painter, const SVGGroup& group, const DrawState& state) {
    const QList<std::shared_ptr<SVGNode>>& children = group.contents();
    if (children.isEmpty())
        return;
    applyNodeModifiers(painter, group, state, true, [&](QPainter& content) {
        for (const std::shared_ptr<SVGNode>& child : children)
            drawNodeIn(content, *child, state);
    });
}

// The viewport's content placed into a space of the given size and cut to it.
void drawViewport(QPainter& painter, const SVGViewport& viewport, const QSizeF& space,
                  const DrawState& state) {
    const QRectF content = viewport.contentRect(space);
    if (!hasArea(space) || !hasArea(content))
        return;
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
        if (const SVGNode* content = drawnAlone(static_cast<const SVGUserSpaceNode&>(node)))
            drawNodeIn(painter, *content, state);
        break;
    default:
        // The shapes and the text.
        drawShape(painter, node, state);
        break;
    }
}

// Hit testing follows the drawing step by step.

struct Hit {
    bool hit = false;
    // The node whose gestures the hit runs.
    const SVGNode* target = nullptr;
};

Hit hitNode(const SVGNode& node, const QPointF& point, const DrawState& state);

bool clipContains(const SVGNode& node, const QPointF& point, const DrawState& state) {
    const SVGUserSpaceNode* clip = clipOf(node);
    if (!clip)
        return true;
    QPointF local = point;
    if (clip->userSpace() == SVGUserSpaceNode::UserSpace::objectBoundingBox) {
        const QRectF box = objectBoundingBox(node);
        if (!hasArea(box))
            return false;
        local = SVGHelper::objectBoundingBoxTransform(box).inverted().map(point);
    }
    DrawState geometry = state;
    geometry.clipGeometry = true;
    return hitNode(*clip->node(), local, geometry).hit;
}

bool shapeContains(const SVGNode& node, const QPointF& point, const DrawState& state) {
    const std::optional<Outline> outline = outlineOf(node);
    if (!outline)
        return false;
    const Paints paints = paintsOf(node);
    if ((paints.fill || state.clipGeometry) && outline->path.contains(point))
        return true;
    if (state.clipGeometry || !strokes(paints.stroke))
        return false;
    const QPen pen = paints.stroke->toQPen();
    return pen.style() != Qt::NoPen &&
           (QPainterPathStroker(pen).createStroke(outline->path).contains(point) ||
            capsOfDots(outline->dots, *paints.stroke).contains(point));
}

Hit hitChildren(const SVGGroup& group, const QPointF& point, const DrawState& state) {
    const QList<std::shared_ptr<SVGNode>>& children = group.contents();
    // Later children are drawn over earlier ones.
    for (auto child = children.crbegin(); child != children.crend(); ++child) {
        const Hit hit = hitNode(**child, point, state);
        if (hit.hit)
            return hit;
    }
    return {};
}

// Whether the point, in the node's user space, lies on what the node draws.
Hit hitContent(const SVGNode& node, const QPointF& point, const DrawState& state) {
    switch (node.kind()) {
    case SVGNodeKind::viewport:
    case SVGNodeKind::group:
        return hitChildren(static_cast<const SVGGroup&>(node), point, state);
    case SVGNodeKind::text: {
        const auto& text = static_cast<const SVGText&>(node);
        return {!state.clipGeometry && text.frame().contains(point)};
    }
    case SVGNodeKind::dataImage:
    case SVGNodeKind::urlImage:
        return {!state.clipGeometry && node.frame().contains(point)};
    case SVGNodeKind::userSpace:
        if (const SVGNode* content = drawnAlone(static_cast<const SVGUserSpaceNode&>(node)))
            return hitNode(*content, point, state);
        return {};
    default:
        return {shapeContains(node, point, state)};
    }
}

// The point is in the node's parent's user space.
Hit hitWithAttributes(const SVGNode& node, const QPointF& point, const DrawState& state) {
    if (!state.clipGeometry && !(drawnOpacity(node.opacity()) > 0))
        return {};
    bool invertible = false;
    const QPointF local = node.transform().inverted(&invertible).map(point);
    if (!invertible || !clipContains(node, local, state))
        return {};
    Hit hit = hitContent(node, local, state);
    if (hit.hit && !hit.target && !node.gestures().isEmpty())
        hit.target = &node;
    return hit;
}

Hit hitViewport(const SVGViewport& viewport, const QPointF& point, const QSizeF& space,
                const DrawState& state) {
    const QRectF content = viewport.contentRect(space);
    if (!hasArea(space) || !hasArea(content) || !QRectF(QPointF(0, 0), space).contains(point))
        return {};
    DrawState inner = state;
    inner.viewportSize = content.size();
    return hitWithAttributes(viewport, viewport.placementTransform(space).inverted().map(point),
                             inner);
}

Hit hitNode(const SVGNode& node, const QPointF& point, const DrawState& state) {
    if (node.kind() == SVGNodeKind::viewport) {
        const auto& viewport = static_cast<const SVGViewport&>(node);
        return hitViewport(viewport, point, viewport.resolvedSize(state.viewportSize), state);
    }
    return hitWithAttributes(node, point, state);
}

// The root viewport takes the whole space, whatever size it asks for, and nothing is drawn
// outside the space.
void drawDocumentIn(QPainter& painter, const SVGNode& root, const QSizeF& space,
                    const DrawState& state) {
    if (!hasArea(space))
        return;
    painter.save();
    painter.setClipRect(QRectF(QPointF(0, 0), space), Qt::IntersectClip);
    DrawState inner = state;
    inner.viewportSize = space;
    if (root.kind() == SVGNodeKind::viewport)
        drawViewport(painter, static_cast<const SVGViewport&>(root), space, inner);
    else
        drawNodeIn(painter, root, inner);
    painter.restore();
}

} // namespace

void drawDocument(QPainter& painter, const SVGNode* root, const QSizeF& space) {
    if (!root)
        return;
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    drawDocumentIn(painter, *root, space, DrawState{space});
    painter.restore();
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

QRectF objectBoundingBox(const SVGNode& node) {
    switch (node.kind()) {
    case SVGNodeKind::viewport:
    case SVGNodeKind::group: {
        QRectF united = nullRect();
        for (const std::shared_ptr<SVGNode>& child :
             static_cast<const SVGGroup&>(node).contents()) {
            const QRectF box = objectBoundingBox(*child);
            if (!isNullRect(box))
                united = unionRect(united, child->transform().mapRect(box));
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

std::optional<SVGCombinedGesture> combinedGestures(const SVGNode& node) {
    const QList<SVGGesture>& gestures = node.gestures();
    if (gestures.isEmpty())
        return std::nullopt;
    const auto recognising = [](const SVGGesture& gesture) -> SVGCombinedGesture {
        return [gesture](int tapCount) {
            if (tapCount == gesture.tapCount && gesture.onEnded)
                gesture.onEnded();
        };
    };
    // Folded from the left: each further gesture is recognised together with all before it.
    SVGCombinedGesture combined = recognising(gestures.constFirst());
    for (qsizetype index = 1; index < gestures.size(); ++index)
        combined = [before = std::move(combined),
                    next = recognising(gestures.at(index))](int tapCount) {
            before(tapCount);
            next(tapCount);
        };
    return combined;
}

const SVGNode* gestureTargetAt(const SVGNode& root, const QPointF& point, const QSizeF& space) {
    if (!hasArea(space) || !QRectF(QPointF(0, 0), space).contains(point))
        return nullptr;
    const DrawState state{space};
    if (root.kind() == SVGNodeKind::viewport)
        return hitViewport(static_cast<const SVGViewport&>(root), point, space, state).target;
    return hitNode(root, point, state).target;
}

} // namespace marlox::vector
