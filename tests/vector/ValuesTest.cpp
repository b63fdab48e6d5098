#include "VectorTestSupport.h"
#include "vector/SVGFont.h"
#include "vector/SVGLength.h"
#include "vector/SVGPreserveAspectRatio.h"
#include "vector/SVGScanner.h"
#include "vector/SVGSerialize.h"
#include "vector/SVGStroke.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

using namespace marlox::vector;
using namespace marlox::vector::testing;
using Scaling = SVGPreserveAspectRatio::Scaling;
using Align = SVGPreserveAspectRatio::Align;

TEST(SerializeTest, WritesTheShortestTextWithoutATrailingPointZero) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {2.0, "2"},
        {2.5, "2.5"},
        {100.0, "100"},
        {100000, "100000"},
        {0.0001, "0.0001"},
        {0.1, "0.1"},
        {-12.25, "-12.25"},
        {1.0 / 3, "0.3333333333333333"},
        {-0.0, "-0"},
        {0.0, "0"},
        {1234567890123456.0, "1234567890123456"},
        {1e16, "1e+16"},
        {1e20, "1e+20"},
        {0.00001, "1e-05"},
        {1.5e-7, "1.5e-07"},
        {123456789012345680.0, "1.2345678901234568e+17"},
        {1e300, "1e+300"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::nan(""), "nan"},
    };
    for (const Case& testCase : cases)
        EXPECT_EQ(serialize(testCase.value), QString::fromLatin1(testCase.text)) << testCase.text;
    EXPECT_EQ(serialize(true), "true");
    EXPECT_EQ(serialize(false), "false");
}

TEST(SerializeTest, EveryFiniteNumberReadsBackAsTheSameValue) {
    std::mt19937_64 random(20240607);
    for (int round = 0; round < 20000; ++round) {
        const double value = std::bit_cast<double>(random());
        if (!std::isfinite(value))
            continue;
        const QString text = serialize(value);
        const std::optional<double> back = readDouble(text);
        ASSERT_TRUE(back) << text.toStdString();
        EXPECT_EQ(std::bit_cast<quint64>(*back), std::bit_cast<quint64>(value))
            << text.toStdString();
    }
}

TEST(SVGLengthTest, PercentagesResolveAgainstTheTotal) {
    EXPECT_EQ(SVGLength::percent(50).toPixels(300), 150);
    EXPECT_EQ(SVGLength::pixels(12).toPixels(300), 12);
    EXPECT_EQ(SVGLength::percent(50).toString(), "50%");
    EXPECT_EQ(SVGLength::pixels(100).toString(), "100");
    EXPECT_EQ(SVGLength::pixels(0.5).toString(), "0.5");
    EXPECT_NE(SVGLength::pixels(50), SVGLength::percent(50));
}

TEST(SVGPreserveAspectRatioTest, RawValuesMatchExactly) {
    EXPECT_EQ(SVGPreserveAspectRatio::scalingFromRawValue(u"slice"), Scaling::slice);
    EXPECT_EQ(SVGPreserveAspectRatio::scalingFromRawValue(u"none"), Scaling::none);
    EXPECT_EQ(SVGPreserveAspectRatio::scalingFromRawValue(u"Meet"), std::nullopt);
    EXPECT_EQ(SVGPreserveAspectRatio::alignFromRawValue(u"max"), Align::max);
    EXPECT_EQ(SVGPreserveAspectRatio::alignFromRawValue(u"xMidYMid"), std::nullopt);
    for (const Scaling scaling : SVGPreserveAspectRatio::allScalings)
        EXPECT_EQ(
            SVGPreserveAspectRatio::scalingFromRawValue(SVGPreserveAspectRatio::rawValue(scaling)),
            scaling);
    for (const Align align : SVGPreserveAspectRatio::allAligns)
        EXPECT_EQ(
            SVGPreserveAspectRatio::alignFromRawValue(SVGPreserveAspectRatio::rawValue(align)),
            align);
}

TEST(SVGPreserveAspectRatioTest, FitsAndAlignsTheViewBoxIntoTheViewport) {
    struct Case {
        const char* name;
        QRectF viewBox;
        QSizeF viewport;
        SVGPreserveAspectRatio rule;
        double sx, sy, dx, dy;
    };
    const Case cases[] = {
        {"meet", {0, 0, 100, 50}, {200, 200}, {Scaling::meet, Align::mid, Align::mid}, 2, 2, 0, 50},
        {"slice",
         {0, 0, 100, 50},
         {200, 200},
         {Scaling::slice, Align::mid, Align::mid},
         4,
         4,
         -100,
         0},
        {"none", {0, 0, 100, 50}, {200, 200}, {Scaling::none, Align::max, Align::max}, 2, 4, 0, 0},
        {"min",
         {10, 20, 100, 100},
         {100, 100},
         {Scaling::meet, Align::min, Align::min},
         1,
         1,
         -10,
         -20},
        {"meet max",
         {0, 0, 100, 50},
         {200, 200},
         {Scaling::meet, Align::max, Align::max},
         2,
         2,
         0,
         100},
        {"equal meet",
         {0, 0, 50, 50},
         {100, 100},
         {Scaling::meet, Align::mid, Align::mid},
         2,
         2,
         0,
         0},
        {"equal slice",
         {0, 0, 50, 50},
         {100, 100},
         {Scaling::slice, Align::mid, Align::mid},
         2,
         2,
         0,
         0},
    };
    for (const Case& testCase : cases) {
        const QTransform transform = testCase.rule.layout(testCase.viewBox, testCase.viewport);
        EXPECT_EQ(transform.m11(), testCase.sx) << testCase.name;
        EXPECT_EQ(transform.m22(), testCase.sy) << testCase.name;
        EXPECT_EQ(transform.m12(), 0) << testCase.name;
        EXPECT_EQ(transform.m21(), 0) << testCase.name;
        EXPECT_EQ(transform.dx(), testCase.dx) << testCase.name;
        EXPECT_EQ(transform.dy(), testCase.dy) << testCase.name;
    }
    // The view box's top-left corner lands on the alignment offset.
    const SVGPreserveAspectRatio centred;
    EXPECT_EQ(centred.layout(QRectF(10, 10, 20, 20), QSizeF(40, 80)).map(QPointF(10, 10)),
              QPointF(0, 20));
    EXPECT_EQ(centred.layout(QSizeF(20, 20), QSizeF(40, 80)),
              centred.layout(QRectF(0, 0, 20, 20), QSizeF(40, 80)));
}

TEST(SVGPreserveAspectRatioTest, ZeroSizesNeverYieldANonFiniteTransform) {
    for (const Scaling scaling : SVGPreserveAspectRatio::allScalings) {
        const SVGPreserveAspectRatio rule(scaling, Align::mid, Align::max);
        EXPECT_TRUE(isFinite(rule.layout(QRectF(5, 5, 0, 10), QSizeF(100, 100))));
        EXPECT_TRUE(isFinite(rule.layout(QRectF(5, 5, 0, 0), QSizeF(100, 100))));
        EXPECT_TRUE(isFinite(rule.layout(QRectF(5, 5, 10, 10), QSizeF(0, 0))));
        EXPECT_TRUE(isFinite(rule.layout(QRectF(5, 5, 0, 0), QSizeF(0, 0))));
    }
}

TEST(SVGPreserveAspectRatioTest, FitAndAlignTakeTheSmallerOrLargerFactor) {
    EXPECT_EQ(SVGPreserveAspectRatio::fit(Scaling::meet, QSizeF(100, 50), QSizeF(200, 200)),
              QSizeF(200, 100));
    EXPECT_EQ(SVGPreserveAspectRatio::fit(Scaling::slice, QSizeF(100, 50), QSizeF(200, 200)),
              QSizeF(400, 200));
    EXPECT_EQ(SVGPreserveAspectRatio::fit(Scaling::none, QSizeF(100, 50), QSizeF(200, 200)),
              QSizeF(200, 200));
    EXPECT_EQ(SVGPreserveAspectRatio::fit(Scaling::meet, QSizeF(100, 50), QRectF(7, 7, 200, 200)),
              QSizeF(200, 100));
    EXPECT_EQ(
        SVGPreserveAspectRatio::fit(Scaling::meet, QRectF(3, 3, 50, 100), QRectF(7, 7, 200, 200)),
        QSizeF(100, 200));
    EXPECT_EQ(SVGPreserveAspectRatio::align(Align::min, 200, 100), 0);
    EXPECT_EQ(SVGPreserveAspectRatio::align(Align::mid, 200, 100), 50);
    EXPECT_EQ(SVGPreserveAspectRatio::align(Align::max, 200, 100), 100);
    EXPECT_EQ(SVGPreserveAspectRatio::align(Align::max, 100, 400), -300);
    EXPECT_EQ(SVGPreserveAspectRatio::align(Align::mid, 30), 15);
}

TEST(SVGPreserveAspectRatioTest, SlicePlacementOnlyForSliceScaling) {
    const SVGPreserveAspectRatio slice(Scaling::slice, Align::mid, Align::mid);
    EXPECT_EQ(slice.slice(QSizeF(100, 50), QRectF(0, 0, 200, 200)), QRectF(0, 50, 200, 100));
    EXPECT_EQ(slice.slice(QSizeF(100, 50), QRectF(10, 20, 200, 200)), QRectF(10, 70, 200, 100));
    const SVGPreserveAspectRatio meet(Scaling::meet, Align::mid, Align::mid);
    EXPECT_EQ(meet.slice(QSizeF(100, 50), QRectF(0, 0, 200, 200)), std::nullopt);
}

TEST(SVGStrokeTest, PenCarriesTheStrokeGeometryInQtUnits) {
    const auto paint = std::make_shared<const SVGColor>(0xFF0000);
    const QPen solid =
        SVGStroke(paint, 3, SVGLineCap::round, SVGLineJoin::bevel, 8, {}, 0).toQPen();
    EXPECT_EQ(solid.style(), Qt::SolidLine);
    EXPECT_EQ(solid.widthF(), 3);
    EXPECT_EQ(solid.capStyle(), Qt::RoundCap);
    EXPECT_EQ(solid.joinStyle(), Qt::BevelJoin);
    EXPECT_EQ(solid.miterLimit(), 4);

    const QPen miter = SVGStroke(paint, 1, SVGLineCap::butt, SVGLineJoin::miter, 4, {}, 0).toQPen();
    EXPECT_EQ(miter.capStyle(), Qt::FlatCap);
    EXPECT_EQ(miter.joinStyle(), Qt::SvgMiterJoin);
    EXPECT_EQ(
        SVGStroke(paint, 1, SVGLineCap::square, SVGLineJoin::round, 4, {}, 0).toQPen().capStyle(),
        Qt::SquareCap);

    const QPen dashed =
        SVGStroke(paint, 2, SVGLineCap::butt, SVGLineJoin::miter, 4, {4, 2}, 3).toQPen();
    EXPECT_EQ(dashed.style(), Qt::CustomDashLine);
    EXPECT_EQ(dashed.dashPattern(), QList<qreal>({2, 1}));
    EXPECT_EQ(dashed.dashOffset(), 1.5);

    const QPen odd =
        SVGStroke(paint, 2, SVGLineCap::butt, SVGLineJoin::miter, 4, {1, 2, 3}, 0).toQPen();
    EXPECT_EQ(odd.dashPattern(), QList<qreal>({0.5, 1, 1.5, 0.5, 1, 1.5}));
}

TEST(SVGStrokeTest, StrokesThatCannotDashOrDrawAreSolidOrNothing) {
    const auto paint = std::make_shared<const SVGColor>(0);
    for (const QList<double>& dashes :
         {QList<double>{0, 0}, QList<double>{5, -1}, QList<double>{std::nan(""), 2}})
        EXPECT_EQ(SVGStroke(paint, 2, SVGLineCap::butt, SVGLineJoin::miter, 4, dashes, 0)
                      .toQPen()
                      .style(),
                  Qt::SolidLine);
    for (const double width : {0.0, -1.0, std::nan("")})
        EXPECT_EQ(SVGStroke(paint, width, SVGLineCap::butt, SVGLineJoin::miter, 4, {2, 2}, 0)
                      .toQPen()
                      .style(),
                  Qt::NoPen);
    EXPECT_EQ(SVGStroke(paint, 2, SVGLineCap::butt, SVGLineJoin::miter, 4, {}, 0).fill(), paint);
}

TEST(SVGFontTest, WeightTakesNoPartInTheFont) {
    const QFont regular = SVGFont(QStringLiteral("Manrope"), 14, QStringLiteral("400")).toQFont();
    const QFont bold = SVGFont(QStringLiteral("Manrope"), 14, QStringLiteral("bold")).toQFont();
    EXPECT_EQ(regular, bold);
    EXPECT_EQ(regular.family(), "Manrope");
    EXPECT_EQ(regular.pixelSize(), 14);
    EXPECT_EQ(SVGFont(QStringLiteral("x"), 0, {}).toQFont().pixelSize(), 1);
    EXPECT_EQ(SVGFont(QStringLiteral("x"), std::nan(""), {}).toQFont().pixelSize(), 1);
}
