#include "VectorTestSupport.h"
#include "vector/PathReader.h"
#include "vector/SVGGeometry.h"
#include "vector/SVGGroup.h"
#include "vector/SVGImage.h"
#include "vector/SVGPath.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"
#include "vector/SVGUserSpaceNode.h"

#include <gtest/gtest.h>

#include <memory>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

std::shared_ptr<SVGPath> pathOf(const char* pathData) {
    return std::make_shared<SVGPath>(PathReader::readAll(QString::fromLatin1(pathData)),
                                     Qt::WindingFill);
}

template <typename Node>
std::shared_ptr<Node> withId(std::shared_ptr<Node> node, const QString& id) {
    node->setId(id);
    return node;
}

} // namespace

TEST(ShapeGeometryTest, FramesAreInTheParentsSpaceAndBoundsAtTheOrigin) {
    struct Case {
        const char* name;
        std::shared_ptr<SVGNode> node;
        QRectF frame;
        QRectF bounds;
    };
    const QList<Case> cases = {
        {"circle", std::make_shared<SVGCircle>(10, 20, 5), {5, 15, 10, 10}, {0, 0, 10, 10}},
        {"circle 50", std::make_shared<SVGCircle>(50, 50, 10), {40, 40, 20, 20}, {0, 0, 20, 20}},
        {"ellipse", std::make_shared<SVGEllipse>(10, 10, 3, 5), {7, 5, 6, 10}, {0, 0, 6, 10}},
        {"line", std::make_shared<SVGLine>(10, 20, 4, 8), {4, 8, 6, 12}, {0, 0, 6, 12}},
        {"reversed line", std::make_shared<SVGLine>(4, 8, 10, 20), {4, 8, 6, 12}, {0, 0, 6, 12}},
        {"horizontal line", std::make_shared<SVGLine>(1, 5, 9, 5), {1, 5, 8, 0}, {0, 0, 8, 0}},
        {"point line", std::make_shared<SVGLine>(3, 3, 3, 3), {3, 3, 0, 0}, {0, 0, 0, 0}},
        {"rect", std::make_shared<SVGRect>(20, 30, 100, 50), {20, 30, 100, 50}, {0, 0, 100, 50}},
        {"negative rect",
         std::make_shared<SVGRect>(20, 30, -100, 50),
         {20, 30, -100, 50},
         {0, 0, 100, 50}},
        {"rect from box",
         std::make_shared<SVGRect>(QRectF(50, 10, -30, 5)),
         {20, 10, 30, 5},
         {0, 0, 30, 5}},
        {"polygon",
         std::make_shared<SVGPolygon>(QList<QPointF>{{10, 20}, {50, 5}, {30, 40}}),
         {10, 5, 40, 35},
         {0, 0, 40, 35}},
        {"polyline",
         std::make_shared<SVGPolyline>(QList<QPointF>{{10, 20}, {50, 5}, {30, 40}}),
         {10, 5, 40, 35},
         {0, 0, 40, 35}},
        {"empty polygon",
         std::make_shared<SVGPolygon>(QList<QPointF>{}),
         {0, 0, 0, 0},
         {0, 0, 0, 0}},
        {"one point",
         std::make_shared<SVGPolygon>(QList<QPointF>{{7, 8}}),
         {7, 8, 0, 0},
         {0, 0, 0, 0}},
        {"far right",
         std::make_shared<SVGPolyline>(QList<QPointF>{{40000, 10}, {50000, 20}}),
         {32767, 10, 17233, 10},
         {0, 0, 17233, 10}},
        {"far left",
         std::make_shared<SVGPolyline>(QList<QPointF>{{-40000, 10}, {-50000, 20}}),
         {-50000, 10, 17232, 10},
         {0, 0, 17232, 10}},
        {"image",
         std::make_shared<SVGDataImage>(10, 20, 30, 40, QByteArray()),
         {10, 20, 30, 40},
         {0, 0, 30, 40}},
        {"url image",
         std::make_shared<SVGURLImage>(1, 2, 3, 4, QStringLiteral("a.png"), std::nullopt),
         {1, 2, 3, 4},
         {0, 0, 3, 4}},
        {"curve path", pathOf("M0 0 C0 -10 10 -10 10 0"), {0, -7.5, 10, 7.5}, {0, -7.5, 10, 7.5}},
    };
    for (const Case& testCase : cases) {
        EXPECT_TRUE(rectNear(testCase.node->frame(), testCase.frame)) << testCase.name;
        EXPECT_TRUE(rectNear(testCase.node->bounds(), testCase.bounds)) << testCase.name;
    }
}

TEST(ShapeGeometryTest, EmptyPathHasTheNullBoxAndTransformsDoNotMoveFrames) {
    const auto empty = pathOf("");
    EXPECT_TRUE(isNullRect(empty->frame()));
    EXPECT_TRUE(isNullRect(empty->bounds()));

    const auto path = pathOf("M10 10 L20 30");
    const QRectF before = path->frame();
    path->setTransform(QTransform::fromTranslate(100, 100).rotate(30));
    EXPECT_EQ(path->frame(), before);
    path->setSegments(PathReader::readAll(QStringLiteral("M0 0 L5 5")));
    EXPECT_TRUE(rectNear(path->frame(), QRectF(0, 0, 5, 5)));
}

TEST(ShapeGeometryTest, OutlinesOfPolygonPolylineAndLine) {
    const QList<QPointF> triangle = {{0, 0}, {10, 0}, {0, 10}};
    EXPECT_TRUE(elementsNear(SVGPolygon(triangle).toBezierPath().elements(),
                             {move(0, 0), line(10, 0), line(0, 10), close()}));
    EXPECT_TRUE(
        elementsNear(SVGPolyline(triangle + QList<QPointF>{{0, 0}}).toBezierPath().elements(),
                     {move(0, 0), line(10, 0), line(0, 10), line(0, 0)}));
    EXPECT_TRUE(
        elementsNear(SVGPolygon({{7, 8}}).toBezierPath().elements(), {move(7, 8), close()}));
    EXPECT_TRUE(SVGPolygon({}).toBezierPath().isEmpty());
    EXPECT_TRUE(
        elementsNear(SVGLine(10, 20, 4, 8).toBezierPath().elements(), {move(10, 20), line(4, 8)}));
}

TEST(TextGeometryTest, GlyphBoxHangsFromTheAnchorAroundTheBaseline) {
    const auto font = std::make_shared<const SVGFont>(QString(), 20, QString());
    SVGText leading(QStringLiteral("Marlox"), font);
    const QRectF box = leading.frame();
    EXPECT_EQ(box.left(), 0);
    EXPECT_GT(box.width(), 0);
    EXPECT_LT(box.top(), 0);
    EXPECT_GT(box.bottom(), 0);

    leading.setTextAnchor(Qt::AlignTrailing);
    EXPECT_DOUBLE_EQ(leading.frame().right(), 0);
    leading.setTextAnchor(Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(leading.frame().center().x(), 0);
    EXPECT_DOUBLE_EQ(leading.frame().width(), box.width());

    leading.setText(QStringLiteral("Marlox Marlox"));
    EXPECT_GT(leading.frame().width(), box.width());
    leading.setText(QString());
    EXPECT_EQ(leading.frame().width(), 0);
    EXPECT_EQ(SVGText(QStringLiteral("a")).bounds().topLeft(), QPointF(0, 0));
}

TEST(GroupTest, BoundsAreTheUnionOfTheChildrensBounds) {
    const SVGGroup group(
        {std::make_shared<SVGRect>(5, 5, 10, 10), std::make_shared<SVGRect>(7, 7, 20, 5)});
    EXPECT_EQ(group.bounds(), QRectF(0, 0, 20, 10));
    EXPECT_EQ(SVGGroup({}).bounds(), QRectF(0, 0, 0, 0));

    // Paths answer their real box; an empty path adds nothing, a point still extends the union.
    const SVGGroup paths({pathOf("M10 10 L20 20"), pathOf(""), pathOf("M40 50")});
    EXPECT_EQ(paths.bounds(), QRectF(10, 10, 30, 40));
    EXPECT_TRUE(isNullRect(SVGGroup({pathOf("")}).bounds()));

    // The children's transforms are not applied.
    const auto moved = std::make_shared<SVGRect>(0, 0, 4, 4);
    moved->setTransform(QTransform::fromScale(10, 10));
    EXPECT_EQ(SVGGroup({moved}).bounds(), QRectF(0, 0, 4, 4));
}

TEST(GroupTest, LookupByIdIsDepthFirstParentBeforeChildren) {
    const auto inner = withId(std::make_shared<SVGCircle>(0, 0, 1), QStringLiteral("a"));
    const auto outer = withId(std::make_shared<SVGGroup>(QList<std::shared_ptr<SVGNode>>{inner}),
                              QStringLiteral("a"));
    EXPECT_EQ(outer->getNode(QStringLiteral("a")), outer);

    const auto grandchild = withId(std::make_shared<SVGLine>(0, 0, 1, 1), QStringLiteral("b"));
    const auto laterTwin = withId(std::make_shared<SVGLine>(0, 0, 2, 2), QStringLiteral("b"));
    const auto clipContent = withId(std::make_shared<SVGRect>(0, 0, 1, 1), QStringLiteral("c"));
    const auto first = std::make_shared<SVGCircle>(0, 0, 1);
    first->setClip(std::make_shared<SVGUserSpaceNode>(clipContent,
                                                      SVGUserSpaceNode::UserSpace::userSpaceOnUse));
    const auto root = std::make_shared<SVGViewport>(
        SVGLength::pixels(10), SVGLength::pixels(10), std::nullopt, SVGPreserveAspectRatio(),
        QList<std::shared_ptr<SVGNode>>{
            first, std::make_shared<SVGGroup>(QList<std::shared_ptr<SVGNode>>{grandchild}),
            laterTwin});
    EXPECT_EQ(root->getNode(QStringLiteral("b")), grandchild);
    EXPECT_EQ(root->getNode(QStringLiteral("B")), nullptr);
    EXPECT_EQ(root->getNode(QStringLiteral("c")), nullptr);
    EXPECT_EQ(root->getNode(QString()), nullptr);
}

TEST(GroupTest, IdsMatchUnderCanonicalEquivalenceOnly) {
    const auto node = withId(std::make_shared<SVGCircle>(0, 0, 1), QString::fromUtf8("caf\u00e9"));
    EXPECT_EQ(node->getNode(QString::fromUtf8("cafe\u0301")), node);
    EXPECT_EQ(node->getNode(QStringLiteral("cafe")), nullptr);

    const auto empty = withId(std::make_shared<SVGCircle>(0, 0, 1), QString());
    EXPECT_EQ(empty->getNode(QString()), empty);
    const auto anonymous = std::make_shared<SVGCircle>(0, 0, 1);
    EXPECT_EQ(anonymous->getNode(QString()), nullptr);
}

TEST(ViewportTest, BoundsCountPercentagesAsZero) {
    const SVGViewport viewport(SVGLength::percent(100), SVGLength::pixels(50), std::nullopt,
                               SVGPreserveAspectRatio(),
                               {std::make_shared<SVGRect>(0, 0, 500, 500)});
    EXPECT_EQ(viewport.bounds(), QRectF(0, 0, 0, 50));
    EXPECT_EQ(viewport.resolvedSize(QSizeF(300, 200)), QSizeF(300, 50));
    EXPECT_EQ(viewport.frame(), viewport.bounds());
}

TEST(ViewportTest, PlacementFitsTheViewBoxIntoTheSpaceShown) {
    const SVGViewport icon(SVGLength::pixels(48), SVGLength::pixels(48), QRectF(0, 0, 24, 24),
                           SVGPreserveAspectRatio(), {});
    EXPECT_EQ(icon.placementTransform(QSizeF(48, 48)), QTransform::fromScale(2, 2));
    EXPECT_EQ(icon.placementTransform(QSizeF(96, 48)), QTransform(2, 0, 0, 2, 24, 0));

    const SVGViewport offset(SVGLength::pixels(40), SVGLength::pixels(40), QRectF(10, 10, 20, 20),
                             SVGPreserveAspectRatio(), {});
    EXPECT_EQ(offset.placementTransform(QSizeF(40, 80)).map(QPointF(10, 10)), QPointF(0, 20));

    const SVGViewport fluid(SVGLength::percent(100), SVGLength::percent(100), std::nullopt,
                            SVGPreserveAspectRatio(), {});
    EXPECT_EQ(fluid.contentRect(QSizeF(200, 100)), QRectF(0, 0, 200, 100));
    EXPECT_TRUE(fluid.placementTransform(QSizeF(200, 100)).isIdentity());
}

TEST(UserSpaceNodeTest, WrapperAnswersItsContentsFrameAndReadsItsUnitsExactly) {
    const auto content = std::make_shared<SVGCircle>(10, 20, 5);
    const SVGUserSpaceNode wrapper(content, SVGUserSpaceNode::UserSpace::objectBoundingBox);
    EXPECT_EQ(wrapper.frame(), QRectF(5, 15, 10, 10));
    EXPECT_EQ(wrapper.bounds(), QRectF(0, 0, 10, 10));
    using UserSpace = SVGUserSpaceNode::UserSpace;
    EXPECT_EQ(SVGUserSpaceNode::userSpaceFromRawValue(u"userSpaceOnUse"),
              UserSpace::userSpaceOnUse);
    EXPECT_EQ(SVGUserSpaceNode::userSpaceFromRawValue(u"objectBoundingBox"),
              UserSpace::objectBoundingBox);
    EXPECT_EQ(SVGUserSpaceNode::userSpaceFromRawValue(u"userspaceonuse"), std::nullopt);
}

TEST(ObjectBoundingBoxTest, UnitContentCoversExactlyTheTargetsBounds) {
    const auto target = pathOf("M10 20 L110 70");
    const auto unitSquare = std::make_shared<SVGRect>(0, 0, 1, 1);
    const QTransform transform = SVGHelper::objectBoundingBoxTransform(*unitSquare, *target);
    EXPECT_EQ(transform.map(QPointF(0, 0)), QPointF(10, 20));
    EXPECT_EQ(transform.map(QPointF(1, 1)), QPointF(110, 70));
    EXPECT_EQ(transform.map(QPointF(0.5, 0.2)), QPointF(60, 30));

    // Zero-size content and an empty target still give a finite transform.
    const auto point = std::make_shared<SVGLine>(0.5, 0.5, 0.5, 0.5);
    EXPECT_TRUE(isFinite(SVGHelper::objectBoundingBoxTransform(*point, *target)));
    EXPECT_EQ(SVGHelper::objectBoundingBoxTransform(*point, *target), transform);
    EXPECT_TRUE(isFinite(SVGHelper::objectBoundingBoxTransform(*unitSquare, *pathOf(""))));
}

TEST(NodeKindTest, EachConcreteNodeNamesItsOwnKind) {
    const auto circle = std::make_shared<SVGCircle>(0, 0, 1);
    const QList<std::pair<std::shared_ptr<SVGNode>, SVGNodeKind>> cases = {
        {std::make_shared<SVGViewport>(SVGLength(), SVGLength(), std::nullopt,
                                       SVGPreserveAspectRatio(), QList<std::shared_ptr<SVGNode>>{}),
         SVGNodeKind::viewport},
        {std::make_shared<SVGGroup>(QList<std::shared_ptr<SVGNode>>{}), SVGNodeKind::group},
        {std::make_shared<SVGRect>(0, 0, 1, 1), SVGNodeKind::rect},
        {std::make_shared<SVGText>(QStringLiteral("t")), SVGNodeKind::text},
        {std::make_shared<SVGDataImage>(0, 0, 1, 1, QByteArray()), SVGNodeKind::dataImage},
        {std::make_shared<SVGURLImage>(0, 0, 1, 1, QString(), std::nullopt), SVGNodeKind::urlImage},
        {std::make_shared<SVGEllipse>(0, 0, 1, 1), SVGNodeKind::ellipse},
        {std::make_shared<SVGLine>(0, 0, 1, 1), SVGNodeKind::line},
        {std::make_shared<SVGPolyline>(QList<QPointF>{}), SVGNodeKind::polyline},
        {pathOf(""), SVGNodeKind::path},
        {circle, SVGNodeKind::circle},
        {std::make_shared<SVGUserSpaceNode>(circle, SVGUserSpaceNode::UserSpace::userSpaceOnUse),
         SVGNodeKind::userSpace},
        {std::make_shared<SVGPolygon>(QList<QPointF>{}), SVGNodeKind::polygon},
    };
    for (const auto& [node, kind] : cases)
        EXPECT_EQ(node->kind(), kind) << node->metaObject()->className();
}

TEST(NodeTest, NewNodesStartWithTheNodeDefaults) {
    const SVGRect rect(1, 2, 3, 4);
    EXPECT_TRUE(rect.transform().isIdentity());
    EXPECT_TRUE(rect.opaque());
    EXPECT_EQ(rect.opacity(), 1);
    EXPECT_EQ(rect.clip(), nullptr);
    EXPECT_EQ(rect.mask(), nullptr);
    EXPECT_EQ(rect.id(), std::nullopt);
    EXPECT_TRUE(rect.gestures().isEmpty());
    EXPECT_EQ(rect.fill(), nullptr);
    EXPECT_EQ(rect.stroke(), nullptr);
    EXPECT_EQ(rect.rx(), 0);
    EXPECT_EQ(rect.ry(), 0);

    const auto clip = std::make_shared<SVGUserSpaceNode>(
        std::make_shared<SVGCircle>(0, 0, 1), SVGUserSpaceNode::UserSpace::userSpaceOnUse);
    const SVGGroup group({}, QTransform::fromTranslate(1, 2), false, 0.5, clip);
    EXPECT_EQ(group.transform(), QTransform::fromTranslate(1, 2));
    EXPECT_FALSE(group.opaque());
    EXPECT_EQ(group.opacity(), 0.5);
    EXPECT_EQ(group.clip(), clip);
    EXPECT_EQ(group.id(), std::nullopt);
}
