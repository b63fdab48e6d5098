#include "VectorTestSupport.h"
#include "vector/SVGGeometry.h"
#include "vector/SVGPaint.h"
#include "vector/SVGPreserveAspectRatio.h"
#include "vector/SVGSerialize.h"
#include "vector/SVGStroke.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

using namespace marlox::vector;
using namespace marlox::vector::testing;
using R = SVGPreserveAspectRatio;
using S = SVGPreserveAspectRatio::Scaling;
using A = SVGPreserveAspectRatio::Align;

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

TEST(SerializeTest, WritesTheShortestTextWithoutATrailingPointZero) {
    const std::pair<double, const char*> cases[] = {
        {2.0, "2"},           {100.0, "100"},    {0.0001, "0.0001"}, {-12.25, "-12.25"},
        {-0.0, "-0"},         {0.0, "0"},        {1e16, "1e+16"},    {0.00001, "1e-05"},
        {1.5e-7, "1.5e-07"},  {1e300, "1e+300"}, {infinity, "inf"},  {-infinity, "-inf"},
        {std::nan(""), "nan"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(serialize(value), QString::fromLatin1(text)) << text;
    }
    EXPECT_EQ(serialize(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(serialize(1234567890123456.0), "1234567890123456");
    EXPECT_EQ(serialize(123456789012345680.0), "1.2345678901234568e+17");
}

TEST(SVGPreserveAspectRatioTest, FitsAndAlignsTheViewBoxIntoTheViewport) {
    struct Case {
        QRectF viewBox;
        QSizeF viewport;
        SVGPreserveAspectRatio rule;
        QTransform expected;
    };
    const Case cases[] = {
        {{0, 0, 100, 50}, {200, 200}, {S::meet, A::mid, A::mid}, {2, 0, 0, 2, 0, 50}},
        {{0, 0, 100, 50}, {200, 200}, {S::slice, A::mid, A::mid}, {4, 0, 0, 4, -100, 0}},
        {{0, 0, 100, 50}, {200, 200}, {S::none, A::max, A::max}, {2, 0, 0, 4, 0, 0}},
        {{10, 20, 100, 50}, {100, 100}, {S::meet, A::min, A::min}, {1, 0, 0, 1, -10, -20}},
        {{0, 0, 100, 50}, {200, 200}, {S::meet, A::max, A::max}, {2, 0, 0, 2, 0, 100}},
        // Each axis takes its own alignment.
        {{0, 0, 100, 100}, {200, 100}, {S::meet, A::max, A::min}, {1, 0, 0, 1, 100, 0}},
        {{0, 0, 50, 50}, {100, 100}, {S::meet, A::mid, A::mid}, {2, 0, 0, 2, 0, 0}},
        {{0, 0, 50, 50}, {100, 100}, {S::slice, A::mid, A::mid}, {2, 0, 0, 2, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.rule.layout(c.viewBox, c.viewport), c.expected) << &c - cases;
    }
    // Zero sizes never yield a non-finite transform.
    for (const S scaling : R::allScalings) {
        for (const auto& [box, space] : {std::pair{QRectF(5, 5, 0, 10), QSizeF(100, 100)},
                                         {QRectF(5, 5, 0, 0), QSizeF(100, 100)},
                                         {QRectF(5, 5, 10, 10), QSizeF(0, 0)},
                                         {QRectF(5, 5, 0, 0), QSizeF(0, 0)}}) {
            EXPECT_TRUE(isFinite(R(scaling, A::mid, A::max).layout(box, space)));
        }
    }
}

TEST(SVGStrokeTest, PenCarriesTheStrokeGeometryInQtUnitsOrIsSolidOrNothing) {
    const auto pen = [](double width, SVGLineCap cap, SVGLineJoin join, QList<double> dashes,
                        double offset = 0) {
        return SVGStroke(std::make_shared<const SVGColor>(0), width, cap, join, 8, dashes, offset)
            .toQPen();
    };
    // Qt counts the miter limit and the dashes in widths.
    const QPen round = pen(4, SVGLineCap::round, SVGLineJoin::bevel, {4, 2}, 4);
    EXPECT_EQ(std::tuple(round.capStyle(), round.joinStyle(), round.miterLimit()),
              std::tuple(Qt::RoundCap, Qt::BevelJoin, 8.0));
    EXPECT_EQ(std::tuple(round.dashPattern(), round.dashOffset()),
              std::tuple(QList<qreal>({1, 0.5}), 1.0));
    for (const QList<double>& dashes : {QList<double>{0, 0}, {5, -1}, {std::nan(""), 2}}) {
        EXPECT_EQ(pen(2, SVGLineCap::butt, SVGLineJoin::miter, dashes).style(), Qt::SolidLine);
    }
    for (const double width : {0.0, -1.0, std::nan("")}) {
        EXPECT_EQ(pen(width, SVGLineCap::butt, SVGLineJoin::miter, {2, 2}).style(), Qt::NoPen);
    }
}

} // namespace
