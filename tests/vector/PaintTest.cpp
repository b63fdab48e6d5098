#include "vector/SVGPaint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace marlox::vector;

TEST(SVGColorTest, KeywordsAreFoundWithoutRegardToCase) {
    struct Case {
        const char* name;
        std::optional<qint64> value;
    };
    const Case cases[] = {
        {"red", 0xFF0000},
        {"RED", 0xFF0000},
        {"rEd", 0xFF0000},
        {"cyan", 0x00FFFF},
        {"aqua", 0x00FFFF},
        {"fuchsia", 0xFF00FF},
        {"rebeccapurple", 0x663399},
        {"LightGoldenRodYellow", 0xFAFAD2},
        {"gray", 0x808080},
        {"windowtext", 0x242424},
        {"grey", std::nullopt},
        {"magenta", std::nullopt},
        {"darkslategrey", std::nullopt},
        {"red ", std::nullopt},
        {"", std::nullopt},
        {"transparent", std::nullopt},
    };
    for (const Case& testCase : cases) {
        const std::optional<SVGColor> color = SVGColor::by(QString::fromLatin1(testCase.name));
        EXPECT_EQ(color ? std::optional<qint64>(color->value()) : std::nullopt, testCase.value)
            << testCase.name;
    }
}

TEST(SVGColorTest, SystemColourKeepsItsTransparency) {
    const std::optional<SVGColor> border = SVGColor::by(QStringLiteral("activeborder"));
    ASSERT_TRUE(border);
    EXPECT_DOUBLE_EQ(border->opacity(), 0.4);
    EXPECT_EQ(border->r(), 42);
    EXPECT_EQ(border->g(), 108);
    EXPECT_EQ(border->b(), 205);
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
    EXPECT_EQ(&SVGColors::shared(), &table);
}

TEST(SVGColorTest, ComponentsKeepTheirLowEightBitsAndTransparencyIsNotAlpha) {
    const SVGColor red = SVGColor::fromTransparency(255, 0, 0, 0);
    EXPECT_EQ(red.value(), 0xFF0000);
    EXPECT_EQ(red.opacity(), 1.0);
    EXPECT_EQ(SVGColor::fromTransparency(256, 0, 0, 0).r(), 0);
    EXPECT_EQ(SVGColor::fromTransparency(-1, 300, 2, 0x1FF).value(), 0xFFFF2C02);
    EXPECT_EQ(SVGColor::clear()->opacity(), 0.0);
    EXPECT_EQ(SVGColor::black()->value(), 0);
    EXPECT_EQ(SVGColor::black(), SVGColor::black());
    EXPECT_EQ(SVGColor(0x80FF0000).toQColor(), QColor(255, 0, 0, 127));
    EXPECT_EQ(SVGColor::fromOpacity(1, 2, 3, 0.25).value(), 0xBF010203);
}

TEST(SVGColorTest, OpacityReplacesTheTransparencyByte) {
    const SVGColor red(0xFF0000);
    const SVGColor half = red.withOpacity(0.5);
    EXPECT_EQ(half.t(), 127);
    EXPECT_DOUBLE_EQ(half.opacity(), 128.0 / 255);
    EXPECT_EQ(half.withOpacity(1).value(), 0xFF0000);
    EXPECT_EQ(half.withOpacity(0.5).t(), 127);
    // Bits above the colour are dropped.
    EXPECT_EQ(SVGColor(0x1'00FF0000).withOpacity(1).value(), 0xFF0000);

    const auto paint = std::make_shared<const SVGColor>(0x00FF00);
    const auto faded = std::dynamic_pointer_cast<const SVGColor>(paint->opacity(0.5));
    ASSERT_TRUE(faded);
    EXPECT_EQ(faded->value(), 0x7F00FF00);
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
    for (const Case& testCase : cases) {
        EXPECT_EQ(SVGColor(0x123456).withOpacity(testCase.opacity).t(), testCase.transparency)
            << testCase.opacity;
        EXPECT_EQ(SVGColor::fromOpacity(1, 2, 3, testCase.opacity).t(), testCase.transparency)
            << testCase.opacity;
    }
}

TEST(SVGColorTest, HexTextIsReadUpToItsFirstOtherCharacter) {
    struct Case {
        const char* text;
        qint64 value;
    };
    const Case cases[] = {
        {"80ff0000", 0x80FF0000},
        {"ff0000", 0xFF0000},
        {"#ff0000", 0},
        {"0xFF", 0xFF},
        {"  12zz", 0x12},
        {"inherit", 0},
        {"currentColor", 0xC},
        {"", 0},
        {"7fffffffffffffff", 0x7FFFFFFFFFFFFFFF},
        // Beyond a signed 64-bit value, too long ones included: opaque black.
        {"8000000000000000", 0},
        {"ffffffffffffffffffff", 0},
    };
    for (const Case& testCase : cases)
        EXPECT_EQ(SVGColor::fromHex(QString::fromLatin1(testCase.text)).value(), testCase.value)
            << testCase.text;
    const SVGColor translucent = SVGColor::fromHex(u"80ff0000");
    EXPECT_DOUBLE_EQ(translucent.opacity(), 127.0 / 255);
    EXPECT_EQ(translucent.r(), 255);
}

TEST(SVGStopTest, OffsetIsClampedIntoTheUnitRange) {
    EXPECT_EQ(SVGStop(SVGColor(0), -0.2).offset(), 0);
    EXPECT_EQ(SVGStop(SVGColor(0), 1.7).offset(), 1);
    EXPECT_EQ(SVGStop(SVGColor(0), 0.3).offset(), 0.3);
    EXPECT_EQ(SVGStop(SVGColor(0), std::nan("")).offset(), 0);
    EXPECT_EQ(SVGStop(SVGColor(1), 0.3), SVGStop(SVGColor(1), 0.3));
    EXPECT_NE(SVGStop(SVGColor(1), 0.3), SVGStop(SVGColor(2), 0.3));
}

TEST(SVGLinearGradientTest, AngleRunsAcrossTheUnitSquareFromTheOppositeSide) {
    struct Case {
        double degree;
        double x1, y1, x2, y2;
    };
    const Case cases[] = {
        {0, 0, 0, 1, 0},
        {45, 0, 0, 1, 0.9999999999999999},
        {90, 0, 0, 6.123233995736766e-17, 1},
        {135, 0.9999999999999999, 0, 0, 1},
        {180, 1, 0, 0, 1.2246467991473532e-16},
        {270, 1.8369701987210297e-16, 1, 0, 0},
    };
    for (const Case& testCase : cases) {
        const SVGLinearGradient gradient = SVGLinearGradient::fromDegree(testCase.degree, {});
        EXPECT_DOUBLE_EQ(gradient.x1(), testCase.x1) << testCase.degree;
        EXPECT_DOUBLE_EQ(gradient.y1(), testCase.y1) << testCase.degree;
        EXPECT_DOUBLE_EQ(gradient.x2(), testCase.x2) << testCase.degree;
        EXPECT_DOUBLE_EQ(gradient.y2(), testCase.y2) << testCase.degree;
        EXPECT_FALSE(gradient.userSpace());
    }
    const SVGLinearGradient twoColours =
        SVGLinearGradient::fromDegree(0, SVGColor(0xFF0000), SVGColor(0x0000FF));
    EXPECT_EQ(twoColours.stops(),
              QList<SVGStop>({SVGStop(SVGColor(0xFF0000), 0), SVGStop(SVGColor(0x0000FF), 1)}));
}

TEST(SVGGradientTest, UnitGradientsPlaceUserSpaceGeometryInTheRectangle) {
    const QList<SVGStop> stops = {SVGStop(SVGColor(0xFF0000), 0), SVGStop(SVGColor(0x80000000), 1)};
    const SVGLinearGradient userLinear(10, 0, 110, 0, true, stops);
    const SVGUnitLinearGradient linear = userLinear.toUnitGradient(QRectF(10, 0, 100, 50));
    EXPECT_EQ(linear.startPoint, QPointF(0, 0));
    EXPECT_EQ(linear.endPoint, QPointF(1, 0));
    ASSERT_EQ(linear.stops.size(), 2);
    EXPECT_EQ(linear.stops[1].second, QColor(0, 0, 0, 127));

    const SVGLinearGradient boxLinear(0.2, 0.3, 0.4, 0.5, false, stops);
    const SVGUnitLinearGradient unchanged = boxLinear.toUnitGradient(QRectF(10, 0, 100, 50));
    EXPECT_EQ(unchanged.startPoint, QPointF(0.2, 0.3));
    EXPECT_EQ(unchanged.endPoint, QPointF(0.4, 0.5));
    const QLinearGradient placed = unchanged.toQGradient(QRectF(10, 20, 100, 10));
    EXPECT_EQ(placed.start(), QPointF(30, 23));
    EXPECT_EQ(placed.finalStop(), QPointF(50, 25));

    const SVGRadialGradient boxRadial(0.5, 0.25, 0.9, 0.9, 0.5, false, stops);
    const SVGRadialGradient otherFocus(0.5, 0.25, 0.1, 0.1, 0.5, false, stops);
    const SVGUnitRadialGradient radial = boxRadial.toUnitGradient(QRectF(0, 0, 200, 100));
    EXPECT_EQ(radial.endRadius, 50);
    EXPECT_EQ(radial.startRadius, 0);
    EXPECT_EQ(radial.center, QPointF(0.5, 0.25));
    const SVGUnitRadialGradient sameRadial = otherFocus.toUnitGradient(QRectF(0, 0, 200, 100));
    EXPECT_EQ(sameRadial.center, radial.center);
    EXPECT_EQ(sameRadial.endRadius, radial.endRadius);

    const SVGRadialGradient userRadial(60, 20, 0, 0, 30, true, stops);
    const SVGUnitRadialGradient user = userRadial.toUnitGradient(QRectF(10, 10, 100, 20));
    EXPECT_EQ(user.center, QPointF(0.5, 0.5));
    EXPECT_EQ(user.endRadius, 30);
    EXPECT_EQ(user.toQGradient(QRectF(0, 0, 40, 40)).center(), QPointF(20, 20));
}

TEST(SVGGradientTest, UserSpaceGradientInAZeroSizeRectangleStaysFinite) {
    const SVGLinearGradient linear(10, 10, 20, 20, true, {});
    const SVGUnitLinearGradient unit = linear.toUnitGradient(QRectF(10, 10, 0, 0));
    EXPECT_TRUE(std::isfinite(unit.startPoint.x()) && std::isfinite(unit.startPoint.y()));
    EXPECT_TRUE(std::isfinite(unit.endPoint.x()) && std::isfinite(unit.endPoint.y()));
    const SVGRadialGradient radial(10, 10, 0, 0, 5, true, {});
    const SVGUnitRadialGradient round = radial.toUnitGradient(QRectF());
    EXPECT_TRUE(std::isfinite(round.center.x()) && std::isfinite(round.center.y()));
}

TEST(SVGGradientTest, HardEdgesKeepBothColoursInTheQtGradient) {
    const SVGColor red(0xFF0000), blue(0x0000FF), green(0x00FF00);
    const SVGLinearGradient edged(0, 0, 1, 0, false,
                                  {SVGStop(red, 0), SVGStop(red, 0.5), SVGStop(blue, 0.5),
                                   SVGStop(blue, 1), SVGStop(green, 1), SVGStop(red, 0.2)});
    const QGradientStops stops =
        edged.toUnitGradient(QRectF(0, 0, 1, 1)).toQGradient(QRectF(0, 0, 10, 10)).stops();
    ASSERT_EQ(stops.size(), 6);
    for (qsizetype index = 1; index < stops.size(); ++index)
        EXPECT_LT(stops[index - 1].first, stops[index].first) << index;
    EXPECT_EQ(stops[1].second, QColor(255, 0, 0));
    EXPECT_EQ(stops[2].second, QColor(0, 0, 255));
    EXPECT_NEAR(stops[2].first, 0.5, 1e-12);
    EXPECT_EQ(stops.constLast().first, 1.0);
    EXPECT_EQ(stops.constLast().second, QColor(255, 0, 0));
}

TEST(SVGGradientTest, EqualityLooksAtUnitsAndStopsOnly) {
    const QList<SVGStop> stops = {SVGStop(SVGColor(1), 0), SVGStop(SVGColor(2), 1)};
    const SVGLinearGradient first(0, 0, 1, 0, false, stops);
    EXPECT_TRUE(first == SVGLinearGradient(5, 5, 9, 9, false, stops));
    EXPECT_FALSE(first == SVGLinearGradient(0, 0, 1, 0, true, stops));
    EXPECT_FALSE(first == SVGLinearGradient(0, 0, 1, 0, false, stops.mid(1)));
}

TEST(SVGGradientTest, OpacityLeavesAGradientAsItIs) {
    const auto gradient = std::make_shared<const SVGRadialGradient>(
        0.5, 0.5, 0.5, 0.5, 0.5, false, QList<SVGStop>{SVGStop(SVGColor(1), 0)});
    EXPECT_EQ(gradient->opacity(0.1), gradient);
}
