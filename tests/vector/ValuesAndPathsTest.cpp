#include "VectorTestSupport.h"
#include "vector/PathReader.h"
#include "vector/SVGBezierPath.h"
#include "vector/SVGFont.h"
#include "vector/SVGGeometry.h"
#include "vector/SVGLength.h"
#include "vector/SVGPaint.h"
#include "vector/SVGPathBuilder.h"
#include "vector/SVGPreserveAspectRatio.h"
#include "vector/SVGScanner.h"
#include "vector/SVGSerialize.h"
#include "vector/SVGStroke.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <tuple>

using namespace marlox::vector;
using namespace marlox::vector::testing;
using R = SVGPreserveAspectRatio;
using S = SVGPreserveAspectRatio::Scaling;
using A = SVGPreserveAspectRatio::Align;
using T = PathSegmentType;

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
const std::nullopt_t none = std::nullopt;

const SVGColor redColor(0xFF0000);
const SVGColor blueColor(0x0000FF);

QList<SVGStop> redToBlue() {
    return {SVGStop(redColor, 0), SVGStop(blueColor, 1)};
}

// A text, the value scanned from it and where the scanner stops.
template <typename Value> using ScanCase = std::tuple<const char*, std::optional<Value>, qsizetype>;

struct BuildCase {
    const char* pathData;
    QList<Element> expected;
};

SVGBezierPath build(const char* pathData) {
    return toBezierPath(PathReader::readAll(QString::fromLatin1(pathData)));
}

void expectBuilds(const QList<BuildCase>& cases) {
    for (const BuildCase& c : cases)
        EXPECT_TRUE(elementsNear(build(c.pathData).elements(), c.expected)) << c.pathData;
}

qsizetype moveCount(const SVGBezierPath& path) {
    const QList<Element> elements = path.elements();
    return std::count_if(elements.begin(), elements.end(),
                         [](const Element& e) { return e.kind == Element::Kind::moveTo; });
}

bool allFinite(const SVGBezierPath& path) {
    for (const Element& element : path.elements())
        for (const QPointF& point : element.points)
            if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
                return false;
    return true;
}

// The handle length of a quarter circle of the radius.
double quarterHandle(double radius) {
    return 4.0 / 3.0 * std::tan(std::numbers::pi / 8) * radius;
}

} // namespace

TEST(ReadDoubleTest, ReadsOnlyWholeFiniteDecimalTexts) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"12", 12},         {"-.5", -0.5},   {"5.", 5},       {"1e3", 1000}, {"1E3", 1000},
        {"2.5e-1", 0.25},   {"+5", 5},       {"1e+2", 100},   {" 5", none},  {"5 ", none},
        {"", none},         {".", none},     {"-", none},     {"+-5", none}, {"1e", none},
        {"1e2e3", none},    {"1,5", none},   {"0x10", none},  {"inf", none}, {"nan", none},
        {"infinity", none}, {"1e999", none}, {"-1e999", none}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(readDouble(QString::fromLatin1(text)), value) << text;
    // An Arabic-Indic digit is a digit to Unicode, not to a number reader.
    EXPECT_EQ(readDouble(QString::fromUtf8("\u0661")), std::nullopt);
}

TEST(ReadDoubleTest, ValuesTooSmallToRepresentReadAsSignedZero) {
    const std::optional<double> positive = readDouble(u"1e-400");
    // As far below the smallest value in plain notation as in exponent form.
    const std::optional<double> negative =
        readDouble(QStringLiteral("-0.") + QString(400, QLatin1Char('0')) + QStringLiteral("1"));
    ASSERT_TRUE(positive && negative);
    EXPECT_EQ(std::bit_cast<quint64>(*positive), std::bit_cast<quint64>(0.0));
    EXPECT_EQ(std::bit_cast<quint64>(*negative), std::bit_cast<quint64>(-0.0));
    // A subnormal value is still a value.
    EXPECT_GT(readDouble(u"1e-310").value_or(0), 0.0);
}

TEST(SVGScannerTest, TakesAnExponentOnlyWithDigitsAfterItAndHexWithAnOptionalPrefix) {
    const ScanCase<double> decimals[] = {{"1e5x", 100000, 3}, {"1ex", 1, 1},    {"1e-x", 1, 1},
                                         {"+3", 3, 2},        {"-.5", -0.5, 3}, {"2E+2", 200, 4},
                                         {".e1", none, 0},    {"abc", none, 0}, {"1e999", none, 0},
                                         {"  -", none, 0}};
    for (const auto& [text, value, location] : decimals) {
        SVGScanner scanner(QString::fromLatin1(text));
        EXPECT_EQ(scanner.scanDouble(), value) << text;
        EXPECT_EQ(scanner.location(), location) << text;
    }
    const ScanCase<quint64> hexadecimals[] = {
        {"ff0000", 0xff0000, 6}, {" 0x1F;", 0x1f, 5}, {"0XaB", 0xab, 4},
        {"0xg", 0, 1},           {"0x", 0, 1},        {"12inherit", 0x12, 2},
        {"zz", none, 0},         {"#ff", none, 0},    {"ffffffffffffffffff", ~0ULL, 18}};
    for (const auto& [text, value, location] : hexadecimals) {
        SVGScanner scanner(QString::fromLatin1(text));
        EXPECT_EQ(scanner.scanHexUInt64(), value) << text;
        EXPECT_EQ(scanner.location(), location) << text;
    }
}

TEST(SerializeTest, WritesTheShortestTextWithoutATrailingPointZero) {
    const std::pair<double, const char*> cases[] = {
        {2.0, "2"},           {2.5, "2.5"},      {100.0, "100"},     {100000, "100000"},
        {0.0001, "0.0001"},   {0.1, "0.1"},      {-12.25, "-12.25"}, {-0.0, "-0"},
        {0.0, "0"},           {1e16, "1e+16"},   {1e20, "1e+20"},    {0.00001, "1e-05"},
        {1.5e-7, "1.5e-07"},  {1e300, "1e+300"}, {infinity, "inf"},  {-infinity, "-inf"},
        {std::nan(""), "nan"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(serialize(value), QString::fromLatin1(text)) << text;
    EXPECT_EQ(serialize(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(serialize(1234567890123456.0), "1234567890123456");
    EXPECT_EQ(serialize(123456789012345680.0), "1.2345678901234568e+17");
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
        {{10, 20, 100, 100}, {100, 100}, {S::meet, A::min, A::min}, {1, 0, 0, 1, -10, -20}},
        {{0, 0, 100, 50}, {200, 200}, {S::meet, A::max, A::max}, {2, 0, 0, 2, 0, 100}},
        {{0, 0, 50, 50}, {100, 100}, {S::meet, A::mid, A::mid}, {2, 0, 0, 2, 0, 0}},
        {{0, 0, 50, 50}, {100, 100}, {S::slice, A::mid, A::mid}, {2, 0, 0, 2, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.rule.layout(c.viewBox, c.viewport), c.expected) << &c - cases;
    // Zero sizes never yield a non-finite transform.
    for (const S scaling : R::allScalings)
        for (const auto& [box, space] : {std::pair{QRectF(5, 5, 0, 10), QSizeF(100, 100)},
                                         {QRectF(5, 5, 0, 0), QSizeF(100, 100)},
                                         {QRectF(5, 5, 10, 10), QSizeF(0, 0)},
                                         {QRectF(5, 5, 0, 0), QSizeF(0, 0)}})
            EXPECT_TRUE(isFinite(R(scaling, A::mid, A::max).layout(box, space)));
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
    EXPECT_EQ(pen(1, SVGLineCap::square, SVGLineJoin::miter, {}).capStyle(), Qt::SquareCap);
    EXPECT_EQ(pen(1, SVGLineCap::butt, SVGLineJoin::miter, {}).joinStyle(), Qt::SvgMiterJoin);
    EXPECT_EQ(pen(1, SVGLineCap::butt, SVGLineJoin::round, {}).capStyle(), Qt::FlatCap);
    EXPECT_EQ(pen(1, SVGLineCap::butt, SVGLineJoin::round, {}).joinStyle(), Qt::RoundJoin);
    for (const QList<double>& dashes : {QList<double>{0, 0}, {5, -1}, {std::nan(""), 2}})
        EXPECT_EQ(pen(2, SVGLineCap::butt, SVGLineJoin::miter, dashes).style(), Qt::SolidLine);
    for (const double width : {0.0, -1.0, std::nan("")})
        EXPECT_EQ(pen(width, SVGLineCap::butt, SVGLineJoin::miter, {2, 2}).style(), Qt::NoPen);
}

TEST(SVGFontTest, WeightTakesNoPartInTheFontAndTheSizeIsAtLeastOnePixel) {
    const QFont regular = SVGFont(QStringLiteral("Manrope"), 14, QStringLiteral("400")).toQFont();
    EXPECT_EQ(regular, SVGFont(QStringLiteral("Manrope"), 14, QStringLiteral("bold")).toQFont());
    EXPECT_EQ(std::tuple(regular.family(), regular.pixelSize()),
              std::tuple(QString("Manrope"), 14));
    EXPECT_EQ(SVGFont(QStringLiteral("x"), 0, {}).toQFont().pixelSize(), 1);
    EXPECT_EQ(SVGFont(QStringLiteral("x"), std::nan(""), {}).toQFont().pixelSize(), 1);
}

TEST(SVGColorTest, KeywordsAreFoundWithoutRegardToCaseAndHexIsReadUpToItsFirstOtherCharacter) {
    const std::pair<const char*, std::optional<qint64>> keywords[] = {
        {"red", 0xFF0000},  {"RED", 0xFF0000},        {"rEd", 0xFF0000},
        {"cyan", 0x00FFFF}, {"aqua", 0x00FFFF},       {"fuchsia", 0xFF00FF},
        {"gray", 0x808080}, {"windowtext", 0x242424}, {"grey", {}},
        {"magenta", {}},    {"darkslategrey", {}},    {"red ", {}},
        {"", {}},           {"transparent", {}},      {"rebeccapurple", 0x663399}};
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
    for (const auto& [text, value] : hex)
        EXPECT_EQ(SVGColor::fromHex(QString::fromLatin1(text)).value(), value) << text;
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
         {std::pair{-0.2, 0.0}, {1.7, 1.0}, {0.3, 0.3}, {std::nan(""), 0.0}})
        EXPECT_EQ(SVGStop(SVGColor(0), offset).offset(), clamped) << offset;
    EXPECT_NE(SVGStop(SVGColor(1), 0.3), SVGStop(SVGColor(2), 0.3));
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

TEST(PathReaderTest, ReadsCommandsIntoSegmentsGroupedByTheirValueCount) {
    const std::pair<const char*, const char*> cases[] = {
        {"M10 20L30 40Z", "M 10 20, L 30 40, z"},
        {"M0,0 10,10 20,0", "M 0 0, L 10 10, L 20 0"},
        {"m1 1 2 2", "m 1 1, l 2 2"},
        {"M 1 2 3", "M 1 2"},
        {"L1 M2 3", "M 2 3"},
        {"M1-2", "M 1 -2"},
        {"M.5.5", "M 0.5 0.5"},
        {"M1e-3 0", "M 0.001 0"},
        {"M1E3 4", ""},
        {"M+1 2", ""},
        {"H10 20", "H 10, H 20"},
        {"c1 2 3 4 5 6 7", "c 1 2 3 4 5 6"},
        {"Q1 2 3 4 S5 6 7 8 t9 10", "Q 1 2 3 4, S 5 6 7 8, t 9 10"},
        {"a5,5,0,1,0,10,10", "a 5 5 0 1 0 10 10"},
        {"A1 1 0 11 5 5", "A 1 1 0 1 1 5 5"},
        {"A5 5 0 2 0 10 10", ""},
        {"", ""},
        {"Z", "z"},
        {"z", "z"},
        {"junk M1 2 ? v-3\n\t,4", "M 1 2, v -3, v 4"},
        {"E1 2 3 4 5 6", ""},
        {"M1e999 2 L3 4", "L 3 4"}};
    for (const auto& [text, segments] : cases)
        EXPECT_EQ(segmentsText(PathReader::readAll(QString::fromLatin1(text))), segments) << text;
}

TEST(PathReaderTest, ReportsAnEmptyCommandApartFromTheEndOfTheText) {
    const auto reads = [](const char* text) {
        PathReader reader(QString::fromLatin1(text));
        QStringList results;
        for (int read = 0; read < 4; ++read) {
            const std::optional<QList<PathSegment>> segments = reader.read();
            results.append(segments ? segmentsText(*segments) : QStringLiteral("end"));
        }
        return results;
    };
    EXPECT_EQ(reads("L1 M2 3 x"), QStringList({"", "M 2 3", "end", "end"}));
    // A command letter at the very end still yields its result.
    EXPECT_EQ(reads("M1 2z"), QStringList({"M 1 2", "z", "end", "end"}));
    EXPECT_EQ(reads("L"), QStringList({"", "end", "end", "end"}));
}

TEST(PathBuilderTest, RelativeCommandsFollowOnFromTheCurrentPointAndOthersNeedOne) {
    expectBuilds({
        {"m10 10 5 5", {move(10, 10), line(15, 15)}},
        {"M10 10 20 20", {move(10, 10), line(20, 20)}},
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

TEST(PathBuilderTest, SegmentsWithTooFewNumbersAreLeftOut) {
    const QList<PathSegment> segments = {{T::M, {1, 1}},
                                         {T::L, {5}},
                                         {T::C, {1, 2, 3, 4, 5}},
                                         {T::S, {1, 2, 3}},
                                         {T::Q, {1, 2}},
                                         {T::T, {1}},
                                         {T::A, {1, 1, 0, 0, 1, 2}},
                                         {T::H, {}},
                                         {T::V, {}},
                                         {T::E, {0, 0, 1, 1, 0}},
                                         {T::m, {2}}};
    EXPECT_TRUE(elementsNear(toBezierPath(segments).elements(), {move(1, 1)}));
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
        if (kept)
            EXPECT_EQ(moved, 0) << data;
        else
            EXPECT_TRUE(moved > 0 && moved < 0.01) << data << " moved " << moved;
    }
}
