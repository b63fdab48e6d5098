#include "VectorTestSupport.h"
#include "vector/SVGPaint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

const SVGColor redColor(0xFF0000);
const SVGColor blueColor(0x0000FF);

QList<SVGStop> redToBlue() {
    return {SVGStop(redColor, 0), SVGStop(blueColor, 1)};
}

} // namespace

TEST(SVGColorTest, KeywordsAreFoundWithoutRegardToCaseAndSystemColoursKeepTheirTransparency) {
    struct Case {
        const char* name;
        std::optional<qint64> value;
    };
    const Case cases[] = {{"red", 0xFF0000},
                          {"RED", 0xFF0000},
                          {"rEd", 0xFF0000},
                          {"cyan", 0x00FFFF},
                          {"aqua", 0x00FFFF},
                          {"fuchsia", 0xFF00FF},
                          {"rebeccapurple", 0x663399},
                          {"LightGoldenRodYellow", 0xFAFAD2},
                          {"gray", 0x808080},
                          {"windowtext", 0x242424},
                          {"activeborder", 0x992A6CCD},
                          {"grey", {}},
                          {"magenta", {}},
                          {"darkslategrey", {}},
                          {"red ", {}},
                          {"", {}},
                          {"transparent", {}}};
    for (const Case& c : cases) {
        const std::optional<SVGColor> color = SVGColor::by(QString::fromLatin1(c.name));
        EXPECT_EQ(color ? std::optional<qint64>(color->value()) : std::nullopt, c.value) << c.name;
    }
    EXPECT_DOUBLE_EQ(SVGColor::by(QStringLiteral("activeborder"))->opacity(), 0.4);
}

TEST(SVGColorTest, TableNamesEachStandardValueBackOnce) {
    const SVGColors& table = SVGColors::shared();
    EXPECT_EQ(table.hexByText().size(), 157);
    EXPECT_EQ(table.textByHex().size(), 139);
    EXPECT_EQ(table.textByHex().value(0x00FFFF), "aqua");
    EXPECT_EQ(table.textByHex().value(0xFF00FF), "fuchsia");
    EXPECT_FALSE(table.textByHex().contains(0x992A6CCD));
    for (auto entry = table.textByHex().begin(); entry != table.textByHex().end(); ++entry) {
        EXPECT_EQ(table.hexByText().value(entry.value(), -1), entry.key())
            << entry.value().toStdString();
        EXPECT_EQ(entry.key() >> 24, 0) << entry.value().toStdString();
    }
}

TEST(SVGColorTest, ComponentsKeepTheirLowEightBitsAndOpacityReplacesTheTransparencyByte) {
    EXPECT_EQ(SVGColor::fromTransparency(255, 0, 0, 0), redColor);
    EXPECT_EQ(SVGColor::fromTransparency(-1, 300, 2, 0x1FF).value(), 0xFFFF2C02);
    EXPECT_EQ(SVGColor::clear()->opacity(), 0.0);
    EXPECT_EQ(SVGColor::black()->value(), 0);
    EXPECT_EQ(SVGColor(0x80FF0000).toQColor(), QColor(255, 0, 0, 127));
    EXPECT_EQ(SVGColor::fromOpacity(1, 2, 3, 0.25).value(), 0xBF010203);

    const SVGColor half = redColor.withOpacity(0.5);
    EXPECT_EQ(half.value(), 0x7FFF0000);
    EXPECT_DOUBLE_EQ(half.opacity(), 128.0 / 255);
    EXPECT_EQ(half.withOpacity(1), redColor);
    EXPECT_EQ(half.withOpacity(0.5), half);
    // Bits above the colour are dropped.
    EXPECT_EQ(SVGColor(0x1'00FF0000).withOpacity(1).value(), 0xFF0000);
    const auto paint = std::make_shared<const SVGColor>(0x00FF00);
    EXPECT_EQ(*std::dynamic_pointer_cast<const SVGColor>(paint->opacity(0.5)),
              SVGColor(0x7F00FF00));
    EXPECT_EQ(paint->value(), 0x00FF00);
}

TEST(SVGColorTest, OpacityOutsideItsRangeIsClampedAndNaNIsOpaque) {
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        double opacity;
        int transparency;
    };
    const Case cases[] = {{2, 0},           {1e300, 0},        {infinity, 0}, {-1, 255},
                          {-infinity, 255}, {std::nan(""), 0}, {0, 255}};
    for (const Case& c : cases) {
        EXPECT_EQ(SVGColor(0x123456).withOpacity(c.opacity).t(), c.transparency) << c.opacity;
        EXPECT_EQ(SVGColor::fromOpacity(1, 2, 3, c.opacity).t(), c.transparency) << c.opacity;
    }
}

TEST(SVGColorTest, HexTextIsReadUpToItsFirstOtherCharacter) {
    struct Case {
        const char* text;
        qint64 value;
    };
    // Beyond a signed 64-bit value, too long ones included: opaque black.
    const Case cases[] = {{"80ff0000", 0x80FF0000},
                          {"ff0000", 0xFF0000},
                          {"#ff0000", 0},
                          {"0xFF", 0xFF},
                          {"  12zz", 0x12},
                          {"inherit", 0},
                          {"currentColor", 0xC},
                          {"", 0},
                          {"7fffffffffffffff", 0x7FFFFFFFFFFFFFFF},
                          {"8000000000000000", 0},
                          {"ffffffffffffffffffff", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(SVGColor::fromHex(QString::fromLatin1(c.text)).value(), c.value) << c.text;
}

TEST(SVGStopTest, OffsetIsClampedIntoTheUnitRange) {
    for (const auto& [offset, clamped] :
         {std::pair{-0.2, 0.0}, {1.7, 1.0}, {0.3, 0.3}, {std::nan(""), 0.0}})
        EXPECT_EQ(SVGStop(SVGColor(0), offset).offset(), clamped) << offset;
    EXPECT_NE(SVGStop(SVGColor(1), 0.3), SVGStop(SVGColor(2), 0.3));
}

TEST(SVGLinearGradientTest, AngleRunsAcrossTheUnitSquareFromTheOppositeSide) {
    struct Case {
        double degree;
        QPointF start;
        QPointF end;
    };
    const Case cases[] = {{0, {0, 0}, {1, 0}},   {45, {0, 0}, {1, 1}},  {90, {0, 0}, {0, 1}},
                          {135, {1, 0}, {0, 1}}, {180, {1, 0}, {0, 0}}, {270, {0, 1}, {0, 0}}};
    for (const Case& c : cases) {
        const SVGLinearGradient gradient = SVGLinearGradient::fromDegree(c.degree, {});
        EXPECT_TRUE(
            elementsNear({move(gradient.x1(), gradient.y1()), move(gradient.x2(), gradient.y2())},
                         {move(c.start.x(), c.start.y()), move(c.end.x(), c.end.y())}, 1e-15))
            << c.degree;
        EXPECT_FALSE(gradient.userSpace());
    }
    EXPECT_EQ(SVGLinearGradient::fromDegree(0, redColor, blueColor).stops(), redToBlue());
}

TEST(SVGGradientTest, UnitGradientsPlaceUserSpaceGeometryInTheRectangle) {
    const QList<SVGStop> stops = {SVGStop(redColor, 0), SVGStop(SVGColor(0x80000000), 1)};
    const SVGUnitLinearGradient linear =
        SVGLinearGradient(10, 0, 110, 0, true, stops).toUnitGradient(QRectF(10, 0, 100, 50));
    EXPECT_EQ(QLineF(linear.startPoint, linear.endPoint), QLineF(0, 0, 1, 0));
    ASSERT_EQ(linear.stops.size(), 2);
    EXPECT_EQ(linear.stops[1].second, QColor(0, 0, 0, 127));

    const SVGUnitLinearGradient unchanged =
        SVGLinearGradient(0.2, 0.3, 0.4, 0.5, false, stops).toUnitGradient(QRectF(10, 0, 100, 50));
    EXPECT_EQ(QLineF(unchanged.startPoint, unchanged.endPoint), QLineF(0.2, 0.3, 0.4, 0.5));
    const QLinearGradient placed = unchanged.toQGradient(QRectF(10, 20, 100, 10));
    EXPECT_EQ(QLineF(placed.start(), placed.finalStop()), QLineF(30, 23, 50, 25));

    // The focal point takes no part; the radius follows the shorter side.
    for (const double focus : {0.9, 0.1}) {
        const SVGUnitRadialGradient radial =
            SVGRadialGradient(0.5, 0.25, focus, focus, 0.5, false, stops)
                .toUnitGradient(QRectF(0, 0, 200, 100));
        EXPECT_EQ(radial.center, QPointF(0.5, 0.25));
        EXPECT_EQ(QPointF(radial.startRadius, radial.endRadius), QPointF(0, 50));
    }
    const SVGUnitRadialGradient user =
        SVGRadialGradient(60, 20, 0, 0, 30, true, stops).toUnitGradient(QRectF(10, 10, 100, 20));
    EXPECT_EQ(user.center, QPointF(0.5, 0.5));
    EXPECT_EQ(user.endRadius, 30);
    EXPECT_EQ(user.toQGradient(QRectF(0, 0, 40, 40)).center(), QPointF(20, 20));
}

TEST(SVGGradientTest, UserSpaceGradientInAZeroSizeRectangleStaysFinite) {
    const SVGUnitLinearGradient unit =
        SVGLinearGradient(10, 10, 20, 20, true, {}).toUnitGradient(QRectF(10, 10, 0, 0));
    const SVGUnitRadialGradient round =
        SVGRadialGradient(10, 10, 0, 0, 5, true, {}).toUnitGradient(QRectF());
    EXPECT_TRUE(isFinite(QTransform(unit.startPoint.x(), unit.startPoint.y(), unit.endPoint.x(),
                                    unit.endPoint.y(), round.center.x(), round.center.y())));
}

TEST(SVGGradientTest, HardEdgesKeepBothColoursInTheQtGradient) {
    const SVGColor green(0x00FF00);
    const SVGLinearGradient edged(0, 0, 1, 0, false,
                                  {SVGStop(redColor, 0), SVGStop(redColor, 0.5),
                                   SVGStop(blueColor, 0.5), SVGStop(blueColor, 1),
                                   SVGStop(green, 1), SVGStop(redColor, 0.2)});
    const QGradientStops stops =
        edged.toUnitGradient(QRectF(0, 0, 1, 1)).toQGradient(QRectF(0, 0, 10, 10)).stops();
    ASSERT_EQ(stops.size(), 6);
    for (qsizetype index = 1; index < stops.size(); ++index)
        EXPECT_LT(stops[index - 1].first, stops[index].first) << index;
    EXPECT_EQ(stops[1].second, QColor(255, 0, 0));
    EXPECT_EQ(stops[2].second, QColor(0, 0, 255));
    EXPECT_NEAR(stops[2].first, 0.5, 1e-12);
    EXPECT_EQ(stops.constLast(), QGradientStop(1.0, QColor(255, 0, 0)));
}

TEST(SVGGradientTest, EqualityLooksAtUnitsAndStopsOnlyAndOpacityLeavesAGradientAsItIs) {
    const SVGLinearGradient first(0, 0, 1, 0, false, redToBlue());
    EXPECT_TRUE(first == SVGLinearGradient(5, 5, 9, 9, false, redToBlue()));
    EXPECT_FALSE(first == SVGLinearGradient(0, 0, 1, 0, true, redToBlue()));
    EXPECT_FALSE(first == SVGLinearGradient(0, 0, 1, 0, false, redToBlue().mid(1)));
    const auto gradient =
        std::make_shared<const SVGRadialGradient>(0.5, 0.5, 0.5, 0.5, 0.5, false, redToBlue());
    EXPECT_EQ(gradient->opacity(0.1), gradient);
}
