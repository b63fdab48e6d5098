#include "vector/SVGBezierPath.h"

#include "VectorTestSupport.h"
#include "vector/PathReader.h"
#include "vector/SVGPathBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <tuple>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

SVGBezierPath build(const char* pathData) {
    return toBezierPath(PathReader::readAll(QString::fromLatin1(pathData)));
}

TEST(SVGBezierPathTest, AppendedArcIsJoinedFromTheLastSubpathStartAndSweepsAtMostOneTurnMore) {
    // From 180 degrees up to 90 (plus a turn) is three quarters; after a close the joining line
    // starts from the closed subpath's start.
    SVGBezierPath path;
    path.moveTo({0, 0});
    path.appendArc({20, 0}, 5, 180, 90, false);
    EXPECT_EQ(path.elements().at(1), line(15, 0));
    EXPECT_EQ(path.elementCount(), 5);
    path.closePath();
    path.appendArc({0, 10}, 5, 0, 90, false);
    EXPECT_EQ(path.elements().at(6), line(5, 10));
    SVGBezierPath many;
    many.appendArc({0, 0}, 1, 0, 1e9, false);
    EXPECT_LE(many.elementCount(), 10);
    const double angle = std::fmod(1e9, 360) / 180 * std::numbers::pi;
    EXPECT_TRUE(elementsNear({move(many.currentPoint()->x(), many.currentPoint()->y())},
                             {move(std::cos(angle), std::sin(angle))}, 1e-6));
}

TEST(SVGBezierPathTest, RoundedRectangleRoundsOnlyTheChosenCorners) {
    const double k = 0.447771526;
    const QRectF rect(0, 0, 100, 50);
    const QSizeF radii(10, 5);
    EXPECT_TRUE(
        elementsNear(SVGBezierPath::roundedRect(rect, RectCorner::allCorners, radii).elements(),
                     {move(10, 0), line(90, 0), curve(100 - 10 * k, 0, 100, 5 * k, 100, 5),
                      line(100, 45), curve(100, 50 - 5 * k, 100 - 10 * k, 50, 90, 50), line(10, 50),
                      curve(10 * k, 50, 0, 50 - 5 * k, 0, 45), line(0, 5),
                      curve(0, 5 * k, 10 * k, 0, 10, 0), close()}));
    EXPECT_TRUE(
        elementsNear(SVGBezierPath::roundedRect(rect, RectCorner::bottomLeft, radii).elements(),
                     {move(0, 0), line(100, 0), line(100, 50), line(10, 50),
                      curve(10 * k, 50, 0, 50 - 5 * k, 0, 45), line(0, 0), close()}));
}

TEST(SVGBezierPathTest, PainterPathEndsOnlyOpenSubpathsBackAtTheirStartAHairShortOfIt) {
    // The last point of each, and whether it must stay where it is written.
    const std::tuple<const char*, QPointF, bool> cases[] = {
        {"M20 20 H80 L20 80 L20 20", QPointF(20, 20), false},
        {"M20 20 H80 C90 90 20 90 20 20", QPointF(20, 20), false},
        {"M20 20 H80 L20 80 Z", QPointF(20, 20), true},
        // After a close, segments without a move start a new subpath at the same start.
        {"M20 20 H80 L20 80 Z L50 0 L20 20", QPointF(20, 20), false},
        {"M20 20 H80 L20 80", QPointF(20, 80), true},
        {"M3000 20 H4000 L3000 20", QPointF(3000, 20), false}};
    for (const auto& [data, end, kept] : cases) {
        const QPainterPath path = build(data).toPainterPath();
        const QPointF last = path.elementAt(path.elementCount() - 1);
        const double moved = std::hypot(last.x() - end.x(), last.y() - end.y());
        if (kept) {
            EXPECT_EQ(moved, 0) << data;
        } else {
            EXPECT_TRUE(moved > 0 && moved < 0.01) << data << " moved " << moved;
        }
    }
}

} // namespace
