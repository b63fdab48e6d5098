#include "NodeTestSupport.h"
#include "VectorTestSupport.h"
#include "vector/PathReader.h"
#include "vector/SVGGeometry.h"
#include "vector/SVGGroup.h"
#include "vector/SVGImage.h"
#include "vector/SVGPath.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"
#include "vector/SVGTreeWatcher.h"
#include "vector/SVGUserSpaceNode.h"

#include <QMetaProperty>
#include <QObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

TEST(ShapeGeometryTest, FramesAreInTheParentsSpaceAndBoundsTheirSizeAtTheOrigin) {
    const QList<QPointF> points = {{10, 20}, {50, 5}, {30, 40}};
    const std::pair<std::shared_ptr<SVGNode>, QRectF> cases[] = {
        {std::make_shared<SVGCircle>(10, 20, 5), {5, 15, 10, 10}},
        {std::make_shared<SVGEllipse>(10, 10, 3, 5), {7, 5, 6, 10}},
        {std::make_shared<SVGLine>(10, 20, 4, 8), {4, 8, 6, 12}},
        {std::make_shared<SVGRect>(20, 30, -100, 50), {20, 30, -100, 50}},
        {std::make_shared<SVGRect>(QRectF(50, 10, -30, 5)), {20, 10, 30, 5}},
        {std::make_shared<SVGPolygon>(points), {10, 5, 40, 35}},
        {std::make_shared<SVGPolygon>(QList<QPointF>{}), {0, 0, 0, 0}},
        // Points beyond the 16-bit range are cut to it on the near side.
        {std::make_shared<SVGPolyline>(QList<QPointF>{{40000, 10}, {50000, 20}}),
         {32767, 10, 17233, 10}},
        {std::make_shared<SVGPolyline>(QList<QPointF>{{-40000, 10}, {-50000, 20}}),
         {-50000, 10, 17232, 10}},
        {std::make_shared<SVGDataImage>(10, 20, 30, 40, QByteArray()), {10, 20, 30, 40}},
        {std::make_shared<SVGUserSpaceNode>(std::make_shared<SVGCircle>(10, 20, 5),
                                            UserSpace::objectBoundingBox),
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
    SVGText text(QStringLiteral("Marlox"),
                 std::make_shared<const SVGFont>(QString(), 20, QString()));
    const QRectF box = text.frame();
    EXPECT_TRUE(box.left() == 0 && box.width() > 0 && box.top() < 0 && box.bottom() > 0);
    text.setTextAnchor(Qt::AlignTrailing);
    EXPECT_EQ(text.frame(), box.translated(-box.width(), 0));
    text.setText(QString());
    EXPECT_EQ(text.frame().width(), 0);
}

TEST(GroupTest, LookupByIdIsDepthFirstParentFirstUnderCanonicalEquivalenceOnly) {
    const auto inner = withId(std::make_shared<SVGCircle>(0, 0, 1), QStringLiteral("a"));
    const auto outer = withId(std::make_shared<SVGGroup>(Nodes{inner}), QStringLiteral("a"));
    EXPECT_EQ(outer->getNode(QStringLiteral("a")), outer);
    const auto grandchild = withId(std::make_shared<SVGLine>(0, 0, 1, 1), QStringLiteral("b"));
    const auto laterTwin = withId(std::make_shared<SVGLine>(0, 0, 2, 2), QStringLiteral("b"));
    const auto first = std::make_shared<SVGCircle>(0, 0, 1);
    first->setClip(std::make_shared<SVGUserSpaceNode>(
        withId(std::make_shared<SVGRect>(0, 0, 1, 1), QStringLiteral("c")),
        UserSpace::userSpaceOnUse));
    const auto root = viewport(24, 24, QRectF(0, 0, 24, 24),
                               {first, std::make_shared<SVGGroup>(Nodes{grandchild}), laterTwin});
    EXPECT_EQ(root->getNode(QStringLiteral("b")), grandchild);
    EXPECT_EQ(root->getNode(QStringLiteral("B")), nullptr);
    EXPECT_EQ(root->getNode(QStringLiteral("c")), nullptr);
    EXPECT_EQ(root->getNode(QString()), nullptr);
    const auto cafe = withId(std::make_shared<SVGCircle>(0, 0, 1), QString::fromUtf8("caf\u00e9"));
    EXPECT_EQ(cafe->getNode(QString::fromUtf8("cafe\u0301")), cafe);
    EXPECT_EQ(cafe->getNode(QStringLiteral("cafe")), nullptr);
    const auto empty = withId(std::make_shared<SVGCircle>(0, 0, 1), QString());
    EXPECT_EQ(empty->getNode(QString()), empty);
}

TEST(GroupTest, TreeDeeperThanTheStackAllowsGoesWhenItsLastOwnerLetsGo) {
    // GIVEN a square 100,000 levels down, through groups and clips, each group also holding a
    // circle held from outside
    const auto shared = std::make_shared<SVGCircle>(0, 0, 1);
    std::shared_ptr<SVGNode> tree = std::make_shared<SVGRect>(0, 0, 1, 1);
    const std::weak_ptr<SVGNode> bottom = tree;
    for (int level = 0; level < 100'000; ++level) {
        if (level % 2 == 0) {
            tree = std::make_shared<SVGGroup>(Nodes{tree, shared});
        } else {
            tree = clipped(std::make_shared<SVGRect>(0, 0, 1, 1), tree);
        }
    }
    // WHEN the last owner of the top lets go
    tree.reset();
    // THEN every level is gone, and the circle is left to its outside owner
    EXPECT_TRUE(bottom.expired());
    EXPECT_EQ(shared.use_count(), 1);
}

TEST(ViewportTest, BoundsCountPercentagesAsZeroWhichTheSpaceShownResolves) {
    const auto fluid = std::make_shared<SVGViewport>(
        SVGLength::percent(100), SVGLength::pixels(50), std::nullopt, SVGPreserveAspectRatio(),
        Nodes{std::make_shared<SVGRect>(0, 0, 500, 500)});
    EXPECT_EQ(fluid->bounds(), QRectF(0, 0, 0, 50));
    EXPECT_EQ(fluid->frame(), fluid->bounds());
    EXPECT_EQ(fluid->resolvedSize(QSizeF(300, 200)), QSizeF(300, 50));
    const auto whole =
        std::make_shared<SVGViewport>(SVGLength::percent(100), SVGLength::percent(100),
                                      std::nullopt, SVGPreserveAspectRatio(), Nodes{});
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
    const Nodes nodes = {
        viewport(24, 24, QRectF(0, 0, 24, 24), {}),
        std::make_shared<SVGGroup>(Nodes{}),
        std::make_shared<SVGRect>(0, 0, 1, 1),
        std::make_shared<SVGText>(QStringLiteral("t")),
        std::make_shared<SVGDataImage>(0, 0, 1, 1, QByteArray("x")),
        std::make_shared<SVGEllipse>(0, 0, 1, 1),
        std::make_shared<SVGLine>(0, 0, 1, 1),
        std::make_shared<SVGPolyline>(QList<QPointF>{{1, 2}}),
        std::make_shared<SVGPath>(PathReader::readAll(QStringLiteral("M0 0")), Qt::OddEvenFill),
        std::make_shared<SVGCircle>(0, 0, 1)};
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
}

TEST(TreeWatcherTest, ReportsChangesAnywhereInTheTreeOncePerAnnouncementAndFollowsReplacements) {
    const auto clipContent = std::make_shared<SVGRect>(0, 0, 1, 1);
    const auto shape = std::make_shared<SVGCircle>(5, 5, 2);
    shape->setClip(std::make_shared<SVGUserSpaceNode>(clipContent, UserSpace::objectBoundingBox));
    const auto oldChild = std::make_shared<SVGLine>(0, 0, 1, 1);
    const auto newChild = std::make_shared<SVGLine>(0, 0, 2, 2);
    const auto nested = std::make_shared<SVGGroup>(Nodes{oldChild});
    const auto root = viewport(24, 24, QRectF(0, 0, 24, 24),
                               {std::make_shared<SVGGroup>(Nodes{shape, shape}), nested});
    SVGTreeWatcher watcher(root);
    QSignalSpy reports(&watcher, &SVGTreeWatcher::treeChanged);
    shape->setR(3);
    EXPECT_EQ(reports.count(), 1) << "a node shared twice is reported once";
    clipContent->setWidth(2);
    EXPECT_EQ(reports.count(), 2) << "clip content";
    root->setWidth(SVGLength::pixels(48));
    EXPECT_EQ(reports.count(), 4) << "the viewport announces twice";
    shape->setMask(std::make_shared<SVGEllipse>(0, 0, 1, 1));
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

} // namespace
