#include "ParseTestSupport.h"
#include "VectorTestSupport.h"
#include "vector/PathReader.h"
#include "vector/SVGDocumentView.h"
#include "vector/SVGGeometry.h"
#include "vector/SVGGroup.h"
#include "vector/SVGImage.h"
#include "vector/SVGParser.h"
#include "vector/SVGPath.h"
#include "vector/SVGSettings.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"
#include "vector/SVGTreeWatcher.h"
#include "vector/SVGUserSpaceNode.h"
#include "vector/XMLElement.h"

#include <QApplication>
#include <QBuffer>
#include <QDataStream>
#include <QEvent>
#include <QFile>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QObject>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

using Nodes = QList<std::shared_ptr<SVGNode>>;
using UserSpace = SVGUserSpaceNode::UserSpace;
using Scaling = SVGPreserveAspectRatio::Scaling;
using Align = SVGPreserveAspectRatio::Align;

template <typename Node, typename... Arguments>
std::shared_ptr<Node> make(Arguments&&... arguments) {
    return std::make_shared<Node>(std::forward<Arguments>(arguments)...);
}

template <typename Node>
std::shared_ptr<Node> withId(std::shared_ptr<Node> node, const QString& id) {
    node->setId(id);
    return node;
}

std::shared_ptr<SVGViewport> viewportOf(Nodes contents,
                                        std::optional<QRectF> viewBox = QRectF(0, 0, 24, 24),
                                        SVGLength width = SVGLength::pixels(24),
                                        SVGLength height = SVGLength::pixels(24)) {
    return make<SVGViewport>(width, height, viewBox, SVGPreserveAspectRatio(), std::move(contents));
}

std::shared_ptr<SVGPath> path(const char* data, Qt::FillRule rule = Qt::WindingFill) {
    return std::make_shared<SVGPath>(PathReader::readAll(QString::fromLatin1(data)), rule);
}

template <typename Shape>
std::shared_ptr<Shape> filled(std::shared_ptr<Shape> shape, std::shared_ptr<const SVGPaint> fill) {
    shape->setFill(std::move(fill));
    return shape;
}

template <typename Shape>
std::shared_ptr<Shape> filled(std::shared_ptr<Shape> shape, qint64 color) {
    return filled(std::move(shape), paint(color));
}

template <typename Shape>
std::shared_ptr<Shape> stroked(std::shared_ptr<Shape> shape,
                               std::shared_ptr<const SVGStroke> outline) {
    shape->setStroke(std::move(outline));
    return shape;
}

template <typename Node> std::shared_ptr<Node> faded(std::shared_ptr<Node> node, double opacity) {
    node->setOpacity(opacity);
    return node;
}

template <typename Node>
std::shared_ptr<Node> clipped(std::shared_ptr<Node> node, std::shared_ptr<SVGNode> content) {
    node->setClip(
        std::make_shared<SVGUserSpaceNode>(std::move(content), UserSpace::userSpaceOnUse));
    return node;
}

template <typename Node>
std::shared_ptr<Node> moved(std::shared_ptr<Node> node, const QTransform& transform) {
    node->setTransform(transform);
    return node;
}

std::shared_ptr<SVGRect> rect(double x, double y, double width, double height, qint64 color) {
    return filled(std::make_shared<SVGRect>(x, y, width, height), color);
}

std::shared_ptr<SVGGroup> group(Nodes contents) {
    return std::make_shared<SVGGroup>(std::move(contents));
}

std::shared_ptr<SVGViewport> viewport(double width, double height, std::optional<QRectF> viewBox,
                                      Nodes contents, SVGPreserveAspectRatio rule = {}) {
    return std::make_shared<SVGViewport>(SVGLength::pixels(width), SVGLength::pixels(height),
                                         viewBox, rule, std::move(contents));
}

std::shared_ptr<const SVGPaint> linear(double x1, double y1, double x2, double y2, bool user) {
    return std::make_shared<const SVGLinearGradient>(
        x1, y1, x2, y2, user,
        QList<SVGStop>{SVGStop(SVGColor(0xFF0000), 0), SVGStop(SVGColor(0x0000FF), 1)});
}

// A tree drawn in a square space of `size` and the pixels it must show there.
struct Scene {
    const char* name;
    std::shared_ptr<SVGNode> node;
    QList<Probe> probes;
    int size = 100;
};

std::shared_ptr<SVGPolyline> corner(double miterLimit) {
    return stroked(
        std::make_shared<SVGPolyline>(QList<QPointF>{{20, 80}, {50, 50}, {80, 80}}),
        stroke(paint(0xFF0000), 20, SVGLineCap::butt, SVGLineJoin::miter, {}, miterLimit));
}

std::shared_ptr<SVGLine> dottedLine(double y, SVGLineCap cap) {
    return stroked(std::make_shared<SVGLine>(10, y, 90, y),
                   stroke(paint(0xFF0000), 10, cap, SVGLineJoin::miter, {0, 20}));
}

// A sharp corner at the first point, whose miter shows only when the outline is closed.
template <typename Shape> std::shared_ptr<Shape> openCorner() {
    return stroked(std::make_shared<Shape>(QList<QPointF>{{20, 20}, {80, 20}, {20, 80}, {20, 20}}),
                   stroke(paint(0xFF0000), 10));
}

std::shared_ptr<SVGPath> dot(const char* data, SVGLineCap cap) {
    return stroked(path(data), stroke(paint(0xFF0000), 10, cap));
}

// A view box of 100 by 50 filled red, shown in 100 by 100.
std::shared_ptr<SVGViewport> wideBox(Scaling scaling, Align align) {
    return viewport(100, 50, QRectF(0, 0, 100, 50), {rect(0, 0, 100, 50, 0xFF0000)},
                    {scaling, align, align});
}

// The header of a 24-bit bitmap of 5,000 by 5,000 pixels, followed by a few of them.
QByteArray oversizedBitmap() {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.writeRawData("BM", 2);
    stream << quint32(54 + 75'000'000) << quint32(0) << quint32(54);
    stream << quint32(40) << qint32(5000) << qint32(5000) << quint16(1) << quint16(24) << quint32(0)
           << quint32(0) << qint32(2835) << qint32(2835) << quint32(0) << quint32(0);
    bytes.append(64, '\xFF');
    return bytes;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format)) << format;
    return bytes;
}

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QObject* watched) { watched->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// A 24-unit document holding a red circle with the id "dot" at its centre.
struct Document {
    std::shared_ptr<SVGCircle> dot = std::make_shared<SVGCircle>(12, 12, 6);
    std::shared_ptr<SVGGroup> layer = std::make_shared<SVGGroup>(Nodes{dot});
    std::shared_ptr<SVGViewport> root = viewportOf({layer});

    Document() {
        dot->setFill(paint(0xFF0000));
        dot->setId(QStringLiteral("dot"));
    }
};

// The view shown at 96 by 96, so that the document is drawn four times its size.
std::unique_ptr<SVGDocumentView> shownView(std::shared_ptr<SVGNode> svg) {
    auto view = std::make_unique<SVGDocumentView>(std::move(svg));
    view->resize(96, 96);
    view->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    return view;
}

QImage grabbed(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// The colour the window shows where the document draws nothing.
QRgb background(QWidget& widget) {
    return widget.palette().color(QPalette::Window).rgba();
}

} // namespace

TEST(ShapeGeometryTest, FramesAreInTheParentsSpaceAndBoundsTheirSizeAtTheOrigin) {
    const QList<QPointF> points = {{10, 20}, {50, 5}, {30, 40}};
    const std::pair<std::shared_ptr<SVGNode>, QRectF> cases[] = {
        {make<SVGCircle>(10, 20, 5), {5, 15, 10, 10}},
        {make<SVGEllipse>(10, 10, 3, 5), {7, 5, 6, 10}},
        {make<SVGLine>(10, 20, 4, 8), {4, 8, 6, 12}},
        {make<SVGLine>(4, 8, 10, 20), {4, 8, 6, 12}},
        {make<SVGLine>(3, 3, 3, 3), {3, 3, 0, 0}},
        {make<SVGRect>(20, 30, 100, 50), {20, 30, 100, 50}},
        {make<SVGRect>(20, 30, -100, 50), {20, 30, -100, 50}},
        {make<SVGRect>(QRectF(50, 10, -30, 5)), {20, 10, 30, 5}},
        {make<SVGPolygon>(points), {10, 5, 40, 35}},
        {make<SVGPolyline>(points), {10, 5, 40, 35}},
        {make<SVGPolygon>(QList<QPointF>{}), {0, 0, 0, 0}},
        // Points beyond the 16-bit range are cut to it on the near side.
        {make<SVGPolyline>(QList<QPointF>{{40000, 10}, {50000, 20}}), {32767, 10, 17233, 10}},
        {make<SVGPolyline>(QList<QPointF>{{-40000, 10}, {-50000, 20}}), {-50000, 10, 17232, 10}},
        {make<SVGDataImage>(10, 20, 30, 40, QByteArray()), {10, 20, 30, 40}},
        {make<SVGURLImage>(1, 2, 3, 4, QStringLiteral("a.png"), std::nullopt), {1, 2, 3, 4}},
        {make<SVGUserSpaceNode>(make<SVGCircle>(10, 20, 5), UserSpace::objectBoundingBox),
         {5, 15, 10, 10}}};
    for (const auto& [node, frame] : cases) {
        const QString name = QString::fromLatin1(node->metaObject()->className());
        EXPECT_TRUE(rectNear(node->frame(), frame)) << name.toStdString();
        EXPECT_TRUE(rectNear(node->bounds(), QRectF(0, 0, std::abs(frame.width()), frame.height())))
            << name.toStdString();
    }
    // A path answers its real box for both.
    const auto curve = path("M0 0 C0 -10 10 -10 10 0");
    EXPECT_TRUE(rectNear(curve->frame(), QRectF(0, -7.5, 10, 7.5)));
    EXPECT_TRUE(rectNear(curve->bounds(), QRectF(0, -7.5, 10, 7.5)));
}

TEST(ShapeGeometryTest, EmptyPathHasTheNullBoxAndTransformsDoNotMoveFrames) {
    EXPECT_TRUE(isNullRect(path("")->frame()));
    // An empty path adds nothing to a group's box; a point still extends it.
    EXPECT_EQ(SVGGroup({path("M10 10 L20 20"), path(""), path("M40 50")}).bounds(),
              QRectF(10, 10, 30, 40));
    const auto line = path("M10 10 L20 30");
    const QRectF before = line->frame();
    line->setTransform(QTransform::fromTranslate(100, 100).rotate(30));
    EXPECT_EQ(line->frame(), before);
    line->setSegments(PathReader::readAll(QStringLiteral("M0 0 L5 5")));
    EXPECT_TRUE(rectNear(line->frame(), QRectF(0, 0, 5, 5)));
}

TEST(TextGeometryTest, GlyphBoxHangsFromTheAnchorAroundTheBaseline) {
    SVGText text(QStringLiteral("Marlox"), make<const SVGFont>(QString(), 20, QString()));
    const QRectF box = text.frame();
    EXPECT_TRUE(box.left() == 0 && box.width() > 0 && box.top() < 0 && box.bottom() > 0);
    text.setTextAnchor(Qt::AlignTrailing);
    EXPECT_EQ(text.frame(), box.translated(-box.width(), 0));
    text.setText(QString());
    EXPECT_EQ(text.frame().width(), 0);
}

TEST(GroupTest, LookupByIdIsDepthFirstParentFirstUnderCanonicalEquivalenceOnly) {
    const auto inner = withId(make<SVGCircle>(0, 0, 1), QStringLiteral("a"));
    const auto outer = withId(make<SVGGroup>(Nodes{inner}), QStringLiteral("a"));
    EXPECT_EQ(outer->getNode(QStringLiteral("a")), outer);
    const auto grandchild = withId(make<SVGLine>(0, 0, 1, 1), QStringLiteral("b"));
    const auto laterTwin = withId(make<SVGLine>(0, 0, 2, 2), QStringLiteral("b"));
    const auto first = make<SVGCircle>(0, 0, 1);
    first->setClip(make<SVGUserSpaceNode>(withId(make<SVGRect>(0, 0, 1, 1), QStringLiteral("c")),
                                          UserSpace::userSpaceOnUse));
    const auto root = viewportOf({first, make<SVGGroup>(Nodes{grandchild}), laterTwin});
    EXPECT_EQ(root->getNode(QStringLiteral("b")), grandchild);
    EXPECT_EQ(root->getNode(QStringLiteral("B")), nullptr);
    EXPECT_EQ(root->getNode(QStringLiteral("c")), nullptr);
    EXPECT_EQ(root->getNode(QString()), nullptr);
    const auto cafe = withId(make<SVGCircle>(0, 0, 1), QString::fromUtf8("caf\u00e9"));
    EXPECT_EQ(cafe->getNode(QString::fromUtf8("cafe\u0301")), cafe);
    EXPECT_EQ(cafe->getNode(QStringLiteral("cafe")), nullptr);
    const auto empty = withId(make<SVGCircle>(0, 0, 1), QString());
    EXPECT_EQ(empty->getNode(QString()), empty);
}

TEST(GroupTest, TreeDeeperThanTheStackAllowsGoesWhenItsLastOwnerLetsGo) {
    // GIVEN a square 100,000 levels down, through groups and clips, each group also holding a
    // circle held from outside
    const auto shared = make<SVGCircle>(0, 0, 1);
    std::shared_ptr<SVGNode> tree = make<SVGRect>(0, 0, 1, 1);
    const std::weak_ptr<SVGNode> bottom = tree;
    for (int level = 0; level < 100'000; ++level) {
        if (level % 2 == 0)
            tree = make<SVGGroup>(Nodes{tree, shared});
        else
            tree = clipped(make<SVGRect>(0, 0, 1, 1), tree);
    }
    // WHEN the last owner of the top lets go
    tree.reset();
    // THEN every level is gone, and the circle is left to its outside owner
    EXPECT_TRUE(bottom.expired());
    EXPECT_EQ(shared.use_count(), 1);
}

TEST(ViewportTest, BoundsCountPercentagesAsZeroWhichTheSpaceShownResolves) {
    const auto fluid = viewportOf({make<SVGRect>(0, 0, 500, 500)}, std::nullopt,
                                  SVGLength::percent(100), SVGLength::pixels(50));
    EXPECT_EQ(fluid->bounds(), QRectF(0, 0, 0, 50));
    EXPECT_EQ(fluid->frame(), fluid->bounds());
    EXPECT_EQ(fluid->resolvedSize(QSizeF(300, 200)), QSizeF(300, 50));
    const auto whole =
        viewportOf({}, std::nullopt, SVGLength::percent(100), SVGLength::percent(100));
    EXPECT_EQ(whole->contentRect(QSizeF(200, 100)), QRectF(0, 0, 200, 100));
    EXPECT_TRUE(whole->placementTransform(QSizeF(200, 100)).isIdentity());
}

TEST(UserSpaceNodeTest, UnitContentCoversTheTargetsBounds) {
    const auto target = path("M10 20 L110 70");
    const QTransform transform =
        SVGHelper::objectBoundingBoxTransform(SVGRect(0, 0, 1, 1), *target);
    EXPECT_EQ(transform, QTransform(100, 0, 0, 50, 10, 20));
    // Zero-size content and an empty target still give a finite transform.
    EXPECT_EQ(SVGHelper::objectBoundingBoxTransform(SVGLine(0.5, 0.5, 0.5, 0.5), *target),
              transform);
    EXPECT_TRUE(isFinite(SVGHelper::objectBoundingBoxTransform(SVGRect(0, 0, 1, 1), *path(""))));
}

TEST(NodeSignalsTest, EveryPublishedFieldAnnouncesEachWriteThroughItsSignalAndChanged) {
    const auto circle = make<SVGCircle>(0, 0, 1);
    const Nodes nodes = {
        viewportOf({}),
        make<SVGGroup>(Nodes{}),
        make<SVGRect>(0, 0, 1, 1),
        make<SVGText>(QStringLiteral("t")),
        make<SVGDataImage>(0, 0, 1, 1, QByteArray("x")),
        make<SVGURLImage>(0, 0, 1, 1, QStringLiteral("a.png"), std::nullopt),
        make<SVGEllipse>(0, 0, 1, 1),
        make<SVGLine>(0, 0, 1, 1),
        make<SVGPolyline>(QList<QPointF>{{1, 2}}),
        make<SVGPath>(PathReader::readAll(QStringLiteral("M0 0")), Qt::OddEvenFill),
        circle,
        make<SVGPolygon>(QList<QPointF>{{1, 2}}),
        make<SVGUserSpaceNode>(circle, UserSpace::userSpaceOnUse)};
    for (const std::shared_ptr<SVGNode>& node : nodes) {
        const QMetaObject* meta = node->metaObject();
        for (int index = QObject::staticMetaObject.propertyCount(); index < meta->propertyCount();
             ++index) {
            const QMetaProperty property = meta->property(index);
            const std::string name = std::string(meta->className()) + "::" + property.name();
            ASSERT_TRUE(property.hasNotifySignal()) << name;
            QSignalSpy fieldSignal(node.get(), property.notifySignal());
            QSignalSpy changed(node.get(), &SVGNode::changed);
            // Writing the value the field already holds is still a write.
            ASSERT_TRUE(property.write(node.get(), property.read(node.get()))) << name;
            EXPECT_EQ(fieldSignal.count(), 1) << name;
            // The viewport announces each change of its own fields twice.
            const bool viewportField = meta == &SVGViewport::staticMetaObject &&
                                       index >= SVGViewport::staticMetaObject.propertyOffset();
            EXPECT_EQ(changed.count(), viewportField ? 2 : 1) << name;
        }
    }
    // A URL image's address and bytes are fixed: it publishes only the placement.
    EXPECT_EQ(SVGURLImage::staticMetaObject.indexOfProperty("src"), -1);
    EXPECT_EQ(SVGURLImage::staticMetaObject.indexOfProperty("data"), -1);
    EXPECT_EQ(SVGUserSpaceNode::staticMetaObject.propertyCount(),
              SVGNode::staticMetaObject.propertyCount());
}

TEST(NodeSignalsTest, WrittenValuesAreThereWhenTheSignalArrives) {
    const auto circle = make<SVGCircle>(10, 10, 5);
    double radiusSeen = 0;
    QRectF frameSeen;
    QObject context;
    QObject::connect(circle.get(), &SVGCircle::rChanged, &context,
                     [&] { radiusSeen = circle->r(); });
    QObject::connect(circle.get(), &SVGNode::changed, &context,
                     [&] { frameSeen = circle->frame(); });
    circle->setR(8);
    EXPECT_EQ(radiusSeen, 8);
    EXPECT_EQ(frameSeen, QRectF(2, 2, 16, 16));
}

TEST(TreeWatcherTest, ReportsChangesAnywhereInTheTreeOncePerAnnouncementAndFollowsReplacements) {
    const auto clipContent = make<SVGRect>(0, 0, 1, 1);
    const auto shape = make<SVGCircle>(5, 5, 2);
    shape->setClip(make<SVGUserSpaceNode>(clipContent, UserSpace::objectBoundingBox));
    const auto oldChild = make<SVGLine>(0, 0, 1, 1);
    const auto newChild = make<SVGLine>(0, 0, 2, 2);
    const auto nested = make<SVGGroup>(Nodes{oldChild});
    const auto root = viewportOf({make<SVGGroup>(Nodes{shape, shape}), nested});
    SVGTreeWatcher watcher(root);
    QSignalSpy reports(&watcher, &SVGTreeWatcher::treeChanged);
    shape->setR(3);
    EXPECT_EQ(reports.count(), 1) << "a node shared twice is reported once";
    clipContent->setWidth(2);
    EXPECT_EQ(reports.count(), 2) << "clip content";
    root->setWidth(SVGLength::pixels(48));
    EXPECT_EQ(reports.count(), 4) << "the viewport announces twice";
    shape->setMask(make<SVGEllipse>(0, 0, 1, 1));
    std::static_pointer_cast<SVGEllipse>(shape->mask())->setRx(4);
    EXPECT_EQ(reports.count(), 6) << "a mask set after the watch began";

    nested->setContents({newChild});
    EXPECT_EQ(reports.count(), 7);
    oldChild->setX1(5);
    EXPECT_EQ(reports.count(), 7) << "a removed child is no longer watched";
    newChild->setX1(5);
    EXPECT_EQ(reports.count(), 8);
    // A tree that holds itself is watched without walking forever.
    nested->setContents({newChild, nested});
    newChild->setY1(1);
    EXPECT_EQ(reports.count(), 10);
    nested->setContents({});
}

// Fills, strokes over them, caps, joins, dashes, gradients, group and node opacity, clips,
// nested viewports, images and text anchors are pinned by the golden images; the scenes here
// cover what those do not show.
TEST(DrawingTest, EachSceneShowsItsColoursWhereTheyBelong) {
    const char* nested = "M10 10 H90 V90 H10 Z M30 30 H70 V70 H30 Z";
    const auto full = [] { return rect(0, 0, 100, 100, 0xFF0000); };
    const QList<Probe> dotProbes = {{20, 20, red}, {20, 16, red},   {15, 15, clear},
                                    {46, 16, red}, {80, 20, clear}, {77, 17, clear},
                                    {16, 56, red}, {17, 85, clear}};
    const QByteArray markup = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">
        <rect width="10" height="10" fill="blue"/></svg>)";
    const Scene scenes[] = {
        {"even-odd leaves the inner square open",
         filled(path(nested, Qt::OddEvenFill), 0xFF0000),
         {{50, 50, clear}, {20, 50, red}}},
        {"non-zero fills it", filled(path(nested), 0xFF0000), {{50, 50, red}}},
        // A right angle's miter is sqrt(2) times the width: within a limit of 1.5, beyond one
        // of 1.2.
        {"miter within its limit", corner(1.5), {{50, 39, red, 127}, {50, 55, red}}},
        {"miter over its limit", corner(1.2), {{50, 39, clear, 128}, {50, 55, red}}},
        // Round caps of a subpath of no length are a disc, square ones a square, butt ones
        // nothing; a subpath that moves away gets no extra cap.
        {"caps of subpaths of no length",
         group({dot("M20 20 L20 20", SVGLineCap::round), dot("M50 20 Z", SVGLineCap::square),
                dot("M80 20 L80 20", SVGLineCap::butt),
                dot("M20 60 C20 60 20 60 20 60", SVGLineCap::square),
                dot("M20 85 L60 85", SVGLineCap::butt)}),
         dotProbes},
        // Dashes of no length every 20 units: discs, squares, and nothing for butt caps.
        {"dashes of no length",
         group({dottedLine(20, SVGLineCap::round), dottedLine(50, SVGLineCap::square),
                dottedLine(80, SVGLineCap::butt)}),
         {{30, 23, red},
          {34, 24, clear},
          {20, 20, clear},
          {33, 53, red},
          {20, 50, clear},
          {30, 80, clear}}},
        // A polyline back at its start keeps two caps there; a polygon joins its ends.
        {"open outline ending at its start",
         openCorner<SVGPolyline>(),
         {{16, 16, clear}, {22, 17, red}, {17, 22, red}}},
        {"closed outline", openCorner<SVGPolygon>(), {{16, 16, red}}},
        {"user space gradient on a line without area",
         stroked(std::make_shared<SVGLine>(10, 50, 90, 50), stroke(linear(10, 0, 90, 0, true), 4)),
         {{11, 50, red, 12}, {89, 50, blue, 12}}},
        // White at no opacity fading to yellow keeps its white halfway, at half opacity.
        {"stops blend colour and opacity apart",
         filled(
             std::make_shared<SVGRect>(0, 0, 100, 100),
             std::make_shared<const SVGLinearGradient>(
                 0, 0, 1, 0, false,
                 QList<SVGStop>{SVGStop(SVGColor(0xFFFFFFFF), 0), SVGStop(SVGColor(0xFFFF00), 1)})),
         {{50, 50, 0x80FFFF80, 6}}},
        {"shape opacity covers fill and stroke together",
         faded(stroked(rect(20, 20, 60, 60, 0x0000FF), stroke(paint(0xFF0000), 10)), 0.5),
         {{23, 50, 0x80FF0000, 4}, {50, 50, 0x800000FF, 4}}},
        {"clip of transparent paint still clips",
         clipped(full(), filled(std::make_shared<SVGCircle>(50, 50, 20), 0xFF000000)),
         {{50, 50, red}, {50, 25, clear}}},
        {"clip moves with the transform",
         moved(clipped(full(), std::make_shared<SVGRect>(0, 0, 20, 20)),
               QTransform::fromTranslate(50, 50)),
         {{60, 60, red}, {10, 10, clear}, {80, 80, clear}}},
        {"turned polygon",
         moved(filled(std::make_shared<SVGPolygon>(
                          QList<QPointF>{{25, 15}, {35, 15}, {35, 25}, {25, 25}}),
                      0xFF0000),
               QTransform().rotate(90) * QTransform::fromTranslate(100, 0)),
         {{80, 30, red}, {30, 20, clear}}},
        {"meet, top",
         wideBox(Scaling::meet, Align::min),
         {{50, 1, red}, {50, 49, red}, {50, 51, clear}}},
        {"slice", wideBox(Scaling::slice, Align::mid), {{1, 1, red}, {99, 99, red}}},
        {"none", wideBox(Scaling::none, Align::mid), {{1, 1, red}, {99, 99, red}}},
        // The view box's origin lands at the corner scaled by 3; what lies outside is cut.
        {"view box origin",
         viewport(48, 48, QRectF(10, 10, 20, 20),
                  {rect(-100, -100, 300, 300, 0x0000FF), rect(10, 10, 10, 10, 0xFF0000)}),
         {{1, 1, red}, {28, 28, red}, {32, 32, blue}, {59, 59, blue}},
         60},
        // The square view box fits the middle of the 40 by 20 box.
        {"image holding markup",
         std::make_shared<SVGDataImage>(20, 30, 40, 20, markup),
         {{40, 40, blue}, {31, 31, blue}, {25, 40, clear}, {40, 52, clear}}},
    };
    for (const Scene& scene : scenes) {
        SCOPED_TRACE(scene.name);
        expectProbes(draw(scene.node, scene.size), scene.probes);
    }
    const auto font =
        std::make_shared<const SVGFont>(QStringLiteral("Manrope"), 30, QStringLiteral("normal"));
    EXPECT_FALSE(isBlank(draw(
        std::make_shared<SVGText>(QStringLiteral("O"), font, nullptr, stroke(paint(0xFF0000), 2),
                                  Qt::AlignLeading, QTransform::fromTranslate(10, 60)))));
}
TEST(DrawingTest, NothingIsDrawnWithoutPaintAreaOpacityOrADecodableImage) {
    const auto wide = stroke(paint(0xFF0000), 4);
    const Nodes nodes = {
        stroked(rect(10, 10, 50, -5, 0xFF0000), wide),
        stroked(filled(std::make_shared<SVGCircle>(50, 50, 0), 0xFF0000), wide),
        stroked(filled(std::make_shared<SVGEllipse>(50, 50, 10, 0), 0xFF0000), wide),
        stroked(filled(path(""), 0xFF0000), wide),
        stroked(filled(std::make_shared<SVGPolygon>(QList<QPointF>{}), 0xFF0000), wide),
        // A box-unit paint on a line whose box has no height.
        stroked(std::make_shared<SVGLine>(10, 50, 90, 50), stroke(linear(0, 0, 1, 0, false), 4)),
        stroked(std::make_shared<SVGText>(QString()), wide),
        viewport(100, 100, QRectF(0, 0, 0, 100), {rect(0, 0, 100, 100, 0xFF0000)}),
        std::make_shared<SVGRect>(0, 0, 50, 50),
        faded(rect(0, 0, 50, 50, 0xFF0000), 0),
        moved(rect(0, 0, 50, 50, 0xFF0000), QTransform::fromScale(0, 1)),
        std::make_shared<SVGDataImage>(0, 0, 50, 50, QByteArray()),
        std::make_shared<SVGURLImage>(0, 0, 50, 50, QStringLiteral("missing.png"), std::nullopt),
        std::make_shared<SVGDataImage>(0, 0, 50, 50, QByteArray("\x89PNG\r\n\x1a\n broken")),
        std::make_shared<SVGDataImage>(0, 0, 50, 50, oversizedBitmap()),
    };
    for (qsizetype index = 0; index < nodes.size(); ++index)
        EXPECT_TRUE(isBlank(draw(nodes[index]))) << index;
}

TEST(ImageDrawingTest, RasterBytesOfEveryFormatTheImageReaderKnowsAreDrawn) {
    QImage square(8, 8, QImage::Format_RGB32);
    square.fill(Qt::red);
    for (const char* format : {"png", "jpeg", "bmp", "ico", "ppm", "xpm"}) {
        const auto image = std::make_shared<SVGDataImage>(0, 0, 100, 100, encoded(square, format));
        EXPECT_TRUE(pixelIs(draw(image), 50, 50, red, 8)) << format;
    }
}

TEST(ImageDrawingTest, EmbeddedMarkupIsReadOnceWithTheDocumentAndNotAgainWhenDrawn) {
    // GIVEN a document holding an image whose markup breaks after a blue square
    const QByteArray inner =
        "<svg viewBox='0 0 10 10'><rect width='10' height='10' fill='blue'/><rect &";
    CapturedOutput parsing;
    const auto root = SVGParser::parseString(
        QStringLiteral(R"(<svg viewBox="0 0 10 10"><image width="10" height="10" )"
                       R"(xlink:href="data:image/svg+xml;base64,%1"/></svg>)")
            .arg(QString::fromLatin1(inner.toBase64())));
    // THEN its error is written once, while the document is read
    EXPECT_EQ(parsing.lines().size(), 1);
    // AND drawing it twice shows the square and writes nothing more
    CapturedOutput drawing;
    for (int pass = 0; pass < 2; ++pass)
        EXPECT_TRUE(pixelIs(draw(root, 10), 5, 5, blue));
    EXPECT_TRUE(drawing.lines().isEmpty());
}

TEST(DrawingTest, DrawsIntoAnyPaintDeviceAtItsPixelRatio) {
    // GIVEN an image of twice the pixels, and a group whose opacity needs a layer
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        drawDocument(painter, faded(group({rect(50, 50, 50, 50, 0xFF0000)}), 0.5).get(),
                     QSizeF(100, 100));
    }
    // THEN the square covers a quarter of the pixels at the bottom right
    expectProbes(image, {{150, 150, 0x80FF0000, 4}, {101, 101, 0x80FF0000, 4}, {98, 150, clear}});
}

TEST(ObjectBoundingBoxTest, GroupsUniteTheirChildrensTransformedBoxes) {
    const auto box =
        group({std::make_shared<SVGCircle>(10, 10, 5),
               moved(std::make_shared<SVGRect>(0, 0, 10, 10), QTransform::fromTranslate(50, 20)),
               group({})});
    EXPECT_TRUE(rectNear(objectBoundingBox(*box), QRectF(5, 5, 55, 25)));
    EXPECT_TRUE(rectNear(objectBoundingBox(SVGLine(10, 20, 4, 8)), QRectF(4, 8, 6, 12)));
    EXPECT_TRUE(rectNear(objectBoundingBox(SVGRect(10, 20, -4, 8)), QRectF(6, 20, 4, 8)));
    EXPECT_TRUE(isNullRect(objectBoundingBox(*group({}))));
    EXPECT_TRUE(isNullRect(objectBoundingBox(*path(""))));
}

TEST(GestureTest, TapFindsTheTopmostPaintedNodeWithGesturesThroughTransformsAndClips) {
    // GIVEN a 24-unit document shown in a space of 96, holding two overlapping squares, a group
    // with a circle without gestures of its own, a moved and clipped square and a ring
    const auto lower = rect(0, 0, 12, 12, 0xFF0000);
    const auto upper = rect(6, 6, 12, 12, 0x0000FF);
    const auto circleGroup = group({filled(std::make_shared<SVGCircle>(20, 20, 3), 0x00FF00)});
    const auto movedSquare =
        clipped(moved(rect(20, 8, 4, 4, 0xFF0000), QTransform::fromTranslate(0, -8)),
                std::make_shared<SVGRect>(20, 8, 2, 4));
    const auto ring = stroked(std::make_shared<SVGCircle>(4, 20, 2), stroke(paint(0xFF0000), 1));
    for (const auto& node : Nodes{lower, upper, circleGroup, movedSquare, ring})
        node->onTapGesture(1, [] {});
    const auto document =
        viewport(24, 24, QRectF(0, 0, 24, 24), {lower, upper, circleGroup, movedSquare, ring});
    // (92, 8) is cut away by the clip, (84, 40) is where the square would lie without its
    // transform, and a ring without fill is hit on its stroke only.
    const std::tuple<int, int, const SVGNode*> cases[] = {
        {8, 8, lower.get()}, {40, 40, upper.get()}, {80, 80, circleGroup.get()},
        {60, 8, nullptr},    {200, 200, nullptr},   {84, 8, movedSquare.get()},
        {92, 8, nullptr},    {84, 40, nullptr},     {24, 80, ring.get()},
        {16, 80, nullptr}};
    for (const auto& [x, y, target] : cases)
        EXPECT_EQ(gestureTargetAt(*document, QPointF(x, y), QSizeF(96, 96)), target)
            << x << ", " << y;
}

TEST(DocumentViewTest, DrawsItsTreeScaledAndRepaintsWhenAnyNodeOfItChanges) {
    // GIVEN a shown view of the document
    Document document;
    const auto view = shownView(document.root);
    EXPECT_EQ(view->sizeHint(), QSize(24, 24));
    expectProbes(grabbed(*view), {{48, 48, red}, {48, 26, red}, {48, 20, background(*view)}});
    PaintCounter counter(view.get());
    // WHEN the circle deep in the tree turns blue
    document.dot->setFill(paint(0x0000FF));
    // THEN the view paints again and shows it
    QTRY_VERIFY(counter.paints > 0);
    EXPECT_TRUE(pixelIs(grabbed(*view), 48, 48, blue));
    // AND a node added later is followed as well
    const auto added = std::make_shared<SVGRect>(0, 0, 4, 4);
    document.layer->setContents(Nodes{document.dot, added});
    const int paintsBefore = counter.paints;
    QTRY_VERIFY(counter.paints > paintsBefore);
    const int paintsAfterAdding = counter.paints;
    added->setFill(paint(0x00FF00));
    QTRY_VERIFY(counter.paints > paintsAfterAdding);
    EXPECT_TRUE(pixelIs(grabbed(*view), 8, 8, green));
}

TEST(DocumentViewTest, ClickInsideAShapeRunsEachGestureThatRecognisesItOnceAndNothingElseDoes) {
    // GIVEN a shape with two single taps and a double tap, in this order
    Document document;
    QStringList runs;
    document.dot->onTapGesture(1, [&runs] { runs.append("first"); });
    document.dot->onTapGesture(2, [&runs] { runs.append("double"); });
    document.dot->onTapGesture(1, [&runs] { runs.append("second"); });
    const auto view = shownView(document.root);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(50, 46));
    EXPECT_EQ(runs, QStringList({"first", "second"}));
    // Outside it, with another button, or as a drag.
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(5, 90));
    QTest::mouseClick(view.get(), Qt::RightButton, {}, QPoint(50, 46));
    QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(48, 48));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(90, 90));
    EXPECT_EQ(runs.size(), 2);
    // A double click arrives as a press and a release, then a double click in place of the
    // second press, and its release.
    runs.clear();
    const QPointF point(48, 48);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, point.toPoint());
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, point, view->mapToGlobal(point),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &doubleClick);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, point.toPoint());
    EXPECT_EQ(runs.count("double"), 1);
    // AND once its gestures are removed a click runs none
    document.dot->removeAllGestures();
    runs.clear();
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(50, 46));
    EXPECT_TRUE(runs.isEmpty());
}

TEST(DocumentViewTest, ParsesItsMarkupOnceIntoATreeOfItsOwn) {
    // GIVEN the same markup given as text, bytes, a stream, a file and a markup tree
    const QByteArray markup = R"(<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24"
        viewBox="0 0 24 24"><g id="layer"><circle id="dot" cx="12" cy="12" r="6" fill="red"/>
        </g></svg>)";
    QBuffer stream;
    stream.setData(markup);
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("icon.svg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(markup) == markup.size());
    file.close();
    const std::unique_ptr<XMLElement> element = DOMParser::parseData(markup, *SVGLogger::console());
    ASSERT_TRUE(element);
    std::vector<std::unique_ptr<SVGDocumentView>> views;
    views.push_back(std::make_unique<SVGDocumentView>(QString::fromUtf8(markup)));
    views.push_back(std::make_unique<SVGDocumentView>(markup));
    views.push_back(std::make_unique<SVGDocumentView>(&stream));
    views.push_back(std::make_unique<SVGDocumentView>(QUrl::fromLocalFile(file.fileName())));
    views.push_back(std::make_unique<SVGDocumentView>(*element));
    for (const auto& view : views) {
        // THEN each finds the nodes of its tree and draws them
        const auto dot = std::dynamic_pointer_cast<SVGCircle>(view->getNode(QStringLiteral("dot")));
        ASSERT_TRUE(dot);
        EXPECT_EQ(dot->r(), 6);
        EXPECT_TRUE(view->getNode(QStringLiteral("layer")));
        EXPECT_FALSE(view->getNode(QStringLiteral("none")));
        EXPECT_EQ(view->sizeHint(), QSize(24, 24));
        EXPECT_TRUE(pixelIs(renderDocument(view->svg().get(), 24), 12, 12, red));
    }
    // AND two views of the same markup hold distinct trees
    EXPECT_NE(views[0]->getNode(QStringLiteral("dot")), views[1]->getNode(QStringLiteral("dot")));
}

TEST(DocumentViewTest, WithoutATreeShowsNothingAndIgnoresTapsAndDrawsWhatWasReadBeforeAnError) {
    const auto view = shownView(nullptr);
    EXPECT_EQ(view->getNode(QStringLiteral("dot")), nullptr);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(48, 48));
    const QImage image = grabbed(*view);
    QImage uniform(image.size(), image.format());
    uniform.fill(background(*view));
    EXPECT_EQ(image, uniform);

    // What was read before an error is drawn.
    const SVGDocumentView partial(QStringLiteral(
        "<svg viewBox='0 0 10 10'><rect width='10' height='5' fill='blue'/><rect y='5' &"));
    expectProbes(renderDocument(partial.svg().get(), 10), {{5, 2, blue}, {5, 7, clear}});
}

TEST(DocumentViewTest, LayersLandInPlaceInAViewInsideAWindow) {
    // GIVEN a view placed at (30, 20) inside a window, drawing a half-transparent group and a
    // clipped square, both of which go through offscreen layers
    const auto left = std::make_shared<SVGRect>(0, 0, 12, 24);
    left->setFill(paint(0xFF0000));
    const auto half = std::make_shared<SVGGroup>(Nodes{left});
    half->setOpacity(0.5);
    const auto clipped = std::make_shared<SVGRect>(12, 0, 12, 24);
    clipped->setFill(paint(0x0000FF));
    clipped->setClip(std::make_shared<SVGUserSpaceNode>(
        std::make_shared<SVGRect>(12, 0, 12, 12), SVGUserSpaceNode::UserSpace::userSpaceOnUse));
    QWidget window;
    window.resize(200, 200);
    (new SVGDocumentView(viewportOf({half, clipped}), &window))->setGeometry(30, 20, 96, 96);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QColor backdrop = window.palette().color(QPalette::Window);
    const QRgb halfRed =
        qRgb((255 + backdrop.red()) / 2, backdrop.green() / 2, backdrop.blue() / 2);
    // THEN each shows where the view is, not at the window's corner
    expectProbes(grabbed(window), {{30 + 24, 20 + 48, halfRed},
                                   {30 + 72, 20 + 24, blue},
                                   {30 + 72, 20 + 72, backdrop.rgba()},
                                   {10, 10, backdrop.rgba()}});
}
