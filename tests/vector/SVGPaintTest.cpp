#include "vector/SVGPaint.h"

#include "VectorTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

const SVGColor redColor(0xFF0000);
const SVGColor blueColor(0x0000FF);

QList<SVGStop> redToBlue() {
    return {SVGStop(redColor, 0), SVGStop(blueColor, 1)};
}

TEST(SVGColorTest, KeywordsAreFoundWithoutRegardToCaseAndHexIsReadUpToItsFirstOtherCharacter) {
    const std::pair<const char*, std::optional<qint64>> keywords[] = {
        {"red", 0xFF0000}, {"RED", 0xFF0000}, {"rEd", 0xFF0000}, {"windowtext", 0x242424},
        {"grey", {}},      {"red ", {}},      {"", {}},          {"transparent", {}}};
    for (const auto& [name, value] : keywords) {
        const std::optional<SVGColor> color = SVGColor::by(QString::fromLatin1(name));
        EXPECT_EQ(color ? std::optional<qint64>(color->value()) : std::nullopt, value) << name;
    }
    EXPECT_EQ(SVGColor::by(QStringLiteral("LightGoldenRodYellow")), SVGColor(0xFAFAD2));
    // System colours keep their transparency.
    EXPECT_EQ(SVGColor::by(QStringLiteral("activeborder"))->value(), 0x992A6CCD);
    EXPECT_DOUBLE_EQ(SVGColor::by(QStringLiteral("activeborder"))->opacity(), 0.4);
    const std::pair<const char*, qint64> hex[] = {
        {"80ff0000", 0x80FF0000}, {"ff0000", 0xFF0000}, {"#ff0000", 0},        {"0xFF", 0xFF},
        {"  12zz", 0x12},         {"inherit", 0},       {"currentColor", 0xC}, {"", 0}};
    for (const auto& [text, value] : hex) {
        EXPECT_EQ(SVGColor::fromHex(QString::fromLatin1(text)).value(), value) << text;
    }
    // Beyond a signed 64-bit value, too long ones included: opaque black.
    EXPECT_EQ(SVGColor::fromHex(u"7fffffffffffffff").value(), 0x7FFFFFFFFFFFFFFF);
    EXPECT_EQ(SVGColor::fromHex(u"8000000000000000").value(), 0);
    EXPECT_EQ(SVGColor::fromHex(u"ffffffffffffffffffff").value(), 0);
}

TEST(SVGColorTest, ComponentsKeepTheirLowEightBitsAndOpacityReplacesTheTransparencyByte) {
    EXPECT_EQ(SVGColor::fromTransparency(-1, 300, 2, 0x1FF).value(), 0xFFFF2C02);
    EXPECT_EQ(SVGColor::clear()->t(), 255);
    EXPECT_EQ(SVGColor(0x80FF0000).toQColor(), QColor(255, 0, 0, 127));
    EXPECT_EQ(SVGColor::fromOpacity(1, 2, 3, 0.25).value(), 0xBF010203);
    const SVGColor half = redColor.withOpacity(0.5);
    EXPECT_EQ(std::tuple(half.value(), half.opacity()), std::tuple(0x7FFF0000, 128.0 / 255));
    EXPECT_EQ(half.withOpacity(1), redColor);
    // Bits above the colour are dropped.
    EXPECT_EQ(SVGColor(0x1'00FF0000).withOpacity(1).value(), 0xFF0000);
    const auto paint = std::make_shared<const SVGColor>(0x00FF00);
    EXPECT_EQ(*std::dynamic_pointer_cast<const SVGColor>(paint->opacity(0.5)),
              SVGColor(0x7F00FF00));
    EXPECT_EQ(paint->value(), 0x00FF00);
}

TEST(SVGColorTest, OpacityOutsideItsRangeIsClampedAndNaNIsOpaque) {
    const std::pair<double, int> cases[] = {{2, 0},    {1e300, 0},       {infinity, 0},
                                            {-1, 255}, {-infinity, 255}, {std::nan(""), 0},
                                            {0, 255}};
    for (const auto& [opacity, transparency] : cases) {
        EXPECT_EQ(SVGColor(0x123456).withOpacity(opacity).t(), transparency) << opacity;
        EXPECT_EQ(SVGColor::fromOpacity(1, 2, 3, opacity).t(), transparency) << opacity;
    }
}

TEST(SVGLinearGradientTest, AngleRunsAcrossTheUnitSquareFromTheOppositeSide) {
    const std::pair<double, QLineF> cases[] = {
        {0, {0, 0, 1, 0}}, {90, {0, 0, 0, 1}}, {135, {1, 0, 0, 1}}, {180, {1, 0, 0, 0}}};
    for (const auto& [degree, line] : cases) {
        const SVGLinearGradient gradient = SVGLinearGradient::fromDegree(degree, redToBlue());
        EXPECT_TRUE(
            elementsNear({move(gradient.x1(), gradient.y1()), move(gradient.x2(), gradient.y2())},
                         {move(line.x1(), line.y1()), move(line.x2(), line.y2())}, 1e-15))
            << degree;
    }
    EXPECT_EQ(SVGLinearGradient::fromDegree(0, redColor, blueColor),
              SVGLinearGradient(0, 0, 1, 0, false, redToBlue()));
}

TEST(SVGGradientTest, UnitGradientsPlaceUserSpaceGeometryInTheBoxAndBoxRadiiOnItsShorterSide) {
    const SVGUnitLinearGradient user =
        SVGLinearGradient(10, 0, 110, 0, true, redToBlue()).toUnitGradient(QRectF(10, 0, 100, 50));
    EXPECT_EQ(QLineF(user.startPoint, user.endPoint), QLineF(0, 0, 1, 0));
    const QLinearGradient placed = SVGLinearGradient(0.2, 0.3, 0.4, 0.5, false, redToBlue())
                                       .toUnitGradient(QRectF(1, 1, 9, 9))
                                       .toQGradient(QRectF(10, 20, 100, 10));
    EXPECT_EQ(QLineF(placed.start(), placed.finalStop()), QLineF(30, 23, 50, 25));
    const SVGUnitRadialGradient radial =
        SVGRadialGradient(0.5, 0.25, 0.9, 0.9, 0.5, false, redToBlue())
            .toUnitGradient(QRectF(0, 0, 200, 100));
    EXPECT_EQ(std::tuple(radial.center, radial.endRadius), std::tuple(QPointF(0.5, 0.25), 50.0));
}

TEST(SVGGradientTest, StopsAreClampedIntoTheUnitRangeAndHardEdgesKeepBothColours) {
    for (const auto& [offset, clamped] :
         {std::pair{-0.2, 0.0}, {1.7, 1.0}, {0.3, 0.3}, {std::nan(""), 0.0}}) {
        EXPECT_EQ(SVGStop(SVGColor(0), offset).offset(), clamped) << offset;
    }
    EXPECT_NE(SVGStop(SVGColor(1), 0.3), SVGStop(SVGColor(2), 0.3));
    const SVGColor green(0x00FF00);
    const SVGLinearGradient edged(0, 0, 1, 0, false,
                                  {SVGStop(redColor, 0), SVGStop(redColor, 0.5),
                                   SVGStop(blueColor, 0.5), SVGStop(blueColor, 1),
                                   SVGStop(green, 1), SVGStop(redColor, 0.2)});
    const QGradientStops stops =
        edged.toUnitGradient(QRectF(0, 0, 1, 1)).toQGradient(QRectF(0, 0, 10, 10)).stops();
    ASSERT_EQ(stops.size(), 6);
    for (qsizetype index = 1; index < stops.size(); ++index) {
        EXPECT_LT(stops[index - 1].first, stops[index].first) << index;
    }
    EXPECT_EQ(stops[1].second, QColor(255, 0, 0));
    EXPECT_EQ(stops[2].second, QColor(0, 0, 255));
    EXPECT_NEAR(stops[2].first, 0.5, 1e-12);
    EXPECT_EQ(stops.constLast(), QGradientStop(1.0, QColor(255, 0, 0)));
}

} // namespace
