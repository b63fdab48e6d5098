#include "vector/SVGPathBuilder.h"

#include "VectorTestSupport.h"
#include "vector/PathReader.h"
#include "vector/SVGBezierPath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace marlox::vector;
using namespace marlox::vector::testing;
using T = PathSegmentType;

namespace {

struct BuildCase {
    const char* pathData;
    QList<Element> expected;
};

SVGBezierPath build(const char* pathData) {
    return toBezierPath(PathReader::readAll(QString::fromLatin1(pathData)));
}

void expectBuilds(const QList<BuildCase>& cases) {
    for (const BuildCase& c : cases) {
        EXPECT_TRUE(elementsNear(build(c.pathData).elements(), c.expected)) << c.pathData;
    }
}

qsizetype moveCount(const SVGBezierPath& path) {
    const QList<Element> elements = path.elements();
    return std::count_if(elements.begin(), elements.end(),
                         [](const Element& e) { return e.kind == Element::Kind::moveTo; });
}

bool allFinite(const SVGBezierPath& path) {
    for (const Element& element : path.elements()) {
        for (const QPointF& point : element.points) {
            if (!std::isfinite(point.x()) || !std::isfinite(point.y())) {
                return false;
            }
        }
    }
    return true;
}

// The handle length of a quarter circle of the radius.
double quarterHandle(double radius) {
    return 4.0 / 3.0 * std::tan(std::numbers::pi / 8) * radius;
}

TEST(PathBuilderTest, RelativeCommandsFollowOnFromTheCurrentPointAndOthersNeedOne) {
    expectBuilds({
        {"M0 0 L10 0 L10 10 z l5 5",
         {move(0, 0), line(10, 0), line(10, 10), line(0, 0), close(), line(5, 5)}},
        {"M1 1 h4 v3 H0 V0", {move(1, 1), line(5, 1), line(5, 4), line(0, 4), line(0, 0)}},
        {"M1 1 c1 1 2 2 3 3 1 1 2 2 3 3",
         {move(1, 1), curve(2, 2, 3, 3, 4, 4), curve(5, 5, 6, 6, 7, 7)}},
        {"M1 1 m2 2 l1 0 1 0", {move(1, 1), move(3, 3), line(4, 3), line(5, 3)}},
        {"M0 0 z z", {move(0, 0), line(0, 0), close(), line(0, 0), close()}},
        // Without a current point these are left out.
        {"h5 V5 S1 1 2 2 T3 3 A1 1 0 0 1 4 4 c1 1 1 1 1 1 q1 1 1 1", {}},
        {"z", {close()}},
        // A relative line's first pair counts as absolute; the outline starts at the origin.
        {"l5 5 1 1", {move(0, 0), line(5, 5), line(6, 6)}},
    });
    EXPECT_TRUE(toBezierPath({{T::e, {0, 0, 4, 4, 0, 1}}}).isEmpty());
}

TEST(PathBuilderTest, SmoothCurvesReflectOnlyTheControlPointOfTheirOwnKind) {
    const double third = 10.0 / 3;
    expectBuilds({
        {"M0 0 C10 0 20 10 20 20 S30 40 40 40",
         {move(0, 0), curve(10, 0, 20, 10, 20, 20), curve(20, 30, 30, 40, 40, 40)}},
        {"M0 0 L10 0 S20 10 30 0", {move(0, 0), line(10, 0), curve(10, 0, 20, 10, 30, 0)}},
        {"M0 0 Q10 10 20 0 S30 10 40 0",
         {move(0, 0), curve(2 * third, 2 * third, 4 * third, 2 * third, 20, 0),
          curve(20, 0, 30, 10, 40, 0)}},
        {"M0 0 Q10 10 20 0 T40 0",
         {move(0, 0), curve(2 * third, 2 * third, 4 * third, 2 * third, 20, 0),
          curve(20 + 2 * third, -2 * third, 40 - 2 * third, -2 * third, 40, 0)}},
        {"M0 0 L10 0 T20 0", {move(0, 0), line(10, 0), curve(10, 0, 10 + third, 0, 20, 0)}},
        {"M0 0 C1 1 2 2 3 3 T6 6", {move(0, 0), curve(1, 1, 2, 2, 3, 3), curve(3, 3, 4, 4, 6, 6)}},
        {"M0 0 Q5 5 10 0 C10 0 20 0 20 0 T30 0",
         {move(0, 0), curve(third, third, 10 - third, third, 10, 0), curve(10, 0, 20, 0, 20, 0),
          curve(20, 0, 20 + third, 0, 30, 0)}},
        {"M0 0 s10 10 20 0 s10 10 20 0",
         {move(0, 0), curve(0, 0, 10, 10, 20, 0), curve(30, -10, 30, 10, 40, 0)}},
        {"M0 0 q5 5 10 0 t10 0",
         {move(0, 0), curve(third, third, 10 - third, third, 10, 0),
          curve(10 + third, -third, 20 - third, -third, 20, 0)}},
    });
}

TEST(PathBuilderTest, ArcsWithoutRadiusOrLengthDegradeAndTooSmallOnesGrowToReachTheirEnds) {
    // Radius 1 between points 10 apart becomes radius 5 about the midpoint: a half circle,
    // with the positive sweep passing above on a y-down screen.
    const double k = quarterHandle(5);
    const double h = quarterHandle(10);
    expectBuilds({
        {"M0 0 A0 5 0 0 1 10 10", {move(0, 0), line(10, 10)}},
        {"M0 0 a5 0 0 0 1 10 10", {move(0, 0), line(10, 10)}},
        {"M5 5 A10 10 0 0 1 5 5 L6 6", {move(5, 5), line(6, 6)}},
        {"M5 5 a10 20 30 1 1 0 0 z", {move(5, 5), line(5, 5), close()}},
        {"M0 0 A1 1 0 0 1 10 0",
         {move(0, 0), line(0, 0), curve(0, -k, 5 - k, -5, 5, -5), curve(5 + k, -5, 10, -k, 10, 0)}},
        {"M0 0 A1 1 0 0 0 10 0",
         {move(0, 0), line(0, 0), curve(0, k, 5 - k, 5, 5, 5), curve(5 + k, 5, 10, k, 10, 0)}},
        // An arc continues the subpath it belongs to.
        {"M0 0 A10 5 0 0 1 20 0 Z",
         {move(0, 0), line(0, 0), curve(0, -h / 2, 10 - h, -5, 10, -5),
          curve(10 + h, -5, 20, -h / 2, 20, 0), line(0, 0), close()}},
    });
    // A close after the arc goes back along the outline, not across to the arc's start.
    const SVGBezierPath closed = build("M0 0 L10 0 L10 10 A5 8 0 0 1 0 10 Z");
    EXPECT_EQ(moveCount(closed), 1);
    EXPECT_TRUE(allFinite(closed));
}

TEST(PathBuilderTest, RotatedAndLargeArcsReachTheirEndsOnTheRightSide) {
    const SVGBezierPath rotated = build("M0 0 A10 10 90 0 1 20 0");
    EXPECT_TRUE(rectNear(rotated.boundingBox(), QRectF(0, -10, 20, 10), 1e-6));
    EXPECT_EQ(moveCount(rotated), 1);
    // Radius 10 through (0, 0) and (10, 0): the large arc against the sweep runs around the
    // centre (5, 8.66) through its far side.
    const SVGBezierPath large = build("M0 0 A10 10 0 1 0 10 0");
    EXPECT_TRUE(rectNear(large.boundingBox(), QRectF(-5, 0, 20, 5 * std::sqrt(3.0) + 10), 0.01));
    EXPECT_TRUE(elementsNear({move(large.elements().constLast().points[2].x(),
                                   large.elements().constLast().points[2].y())},
                             {move(10, 0)}));
}

TEST(PathBuilderTest, ExtremeArcsNeverPutANonFiniteNumberIntoThePath) {
    for (const char* pathData :
         {"M0 0 A1e-200 1e-200 0 0 1 1e-200 0", "M0 0 A1e300 1e300 0 0 1 1 1",
          "M0 0 A5 5 0 0 1 1e-170 0", "M0 0 A5 -5 45 1 1 1e-300 1e-300",
          "M1e300 0 A1 1 0 0 1 -1e300 0"}) {
        EXPECT_TRUE(allFinite(build(pathData))) << pathData;
        EXPECT_FALSE(build(pathData).isEmpty()) << pathData;
    }
    // A tiny chord of a radius-5 circle is a tiny arc, not a half circle about its midpoint.
    const QRectF tiny = build("M0 0 A5 5 0 0 1 1e-170 0").boundingBox();
    EXPECT_LT(tiny.width() + tiny.height(), 1e-9);
}

TEST(PathBuilderTest, BoxArcDrawsWithoutMovingTheCurrentPoint) {
    const double pi = std::numbers::pi;
    const SVGBezierPath ellipse = toBezierPath({{T::E, {0, 0, 20, 10, 0, pi}}});
    EXPECT_EQ(ellipse.elements().constFirst(), move(20, 5));
    EXPECT_TRUE(rectNear(ellipse.boundingBox(), QRectF(0, 5, 20, 5)));
    const double k = quarterHandle(5);
    EXPECT_TRUE(elementsNear(toBezierPath({{T::E, {0, 0, 10, 10, 0, pi / 2}}}).elements(),
                             {move(10, 5), curve(10, 5 + k, 5 + k, 10, 5, 10)}));
    const SVGBezierPath followed =
        toBezierPath({{T::M, {0, 0}}, {T::E, {0, 0, 20, 10, 0, pi}}, {T::l, {5, 5}}});
    EXPECT_EQ(followed.elements().constLast(), line(5, 5));
}

} // namespace
