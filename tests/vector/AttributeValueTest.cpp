#include "ParseTestSupport.h"
#include "vector/SVGAttribute.h"
#include "vector/SVGHelper.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace marlox::vector;
using marlox::vector::testing::CapturedOutput;
using marlox::vector::testing::ParsedDocument;

namespace {

const QString unitMessage(const char* unit) {
    return QStringLiteral("SVG parsing error. Unit \"%1\" is not supported").arg(unit);
}

TEST(Length, ConvertsEveryUnitAtTheDefaultResolution) {
    const ParsedDocument document(QStringLiteral("<svg/>"));
    const SVGNodeContext context = document.rootContext();
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"12", 12},  {"12px", 12},   {"1in", 96},     {"2.54cm", 96}, {"72pt", 96},
        {"6pc", 96}, {"25.4mm", 96}, {"10 PX", 10},   {"none", 0},    {"abc", {}},
        {"", {}},    {"0,", 0},      {"1e999px", {}}, {"-4", -4},
    };
    CapturedOutput output;
    for (const Case& c : cases) {
        const std::optional<double> value =
            SVGLengthParser::horizontal().parse(QString::fromUtf8(c.text), context);
        ASSERT_EQ(value.has_value(), c.value.has_value()) << c.text;
        if (value) {
            EXPECT_NEAR(*value, *c.value, 1e-9) << c.text;
        }
    }
    EXPECT_TRUE(output.lines().isEmpty());
}

TEST(Length, ReportsAnUnsupportedUnitAndKeepsTheNumber) {
    const ParsedDocument document(QStringLiteral("<svg/>"));
    CapturedOutput output;
    EXPECT_EQ(SVGLengthParser::horizontal().parse(QStringLiteral("10foo"), document.rootContext()),
              10);
    EXPECT_EQ(SVGLengthParser::fontSize().parse(QStringLiteral("2em"), document.rootContext()), 2);
    EXPECT_EQ(output.lines(), QStringList({unitMessage("foo"), unitMessage("em")}));
}

TEST(Length, ResolvesPercentagesAgainstTheScreenAxis) {
    const ParsedDocument wide(QStringLiteral("<svg/>"), SVGScreen{96, 200, 100});
    EXPECT_EQ(SVGLengthParser::horizontal().parse(QStringLiteral("50%"), wide.rootContext()), 100);
    EXPECT_EQ(SVGLengthParser::vertical().parse(QStringLiteral("50%"), wide.rootContext()), 50);
    const ParsedDocument diagonal(QStringLiteral("<svg/>"), SVGScreen{96, 300, 400});
    EXPECT_NEAR(*SVGLengthParser::radial().parse(QStringLiteral("50%"), diagonal.rootContext()),
                0.5 * 500 / 1.4142135623730951, 1e-9);
    EXPECT_EQ(SVGAttributes::width.value(
                  ParsedDocument(QStringLiteral(R"(<rect width="50%"/>)"), SVGScreen{96, 200, 100})
                      .rootContext()),
              100);
}

TEST(Length, ResolvesEmAndExAgainstTheFontSizeStyle) {
    const ParsedDocument document(
        QStringLiteral(R"(<svg><rect id="plain"/><g font-size="10"><rect id="sized"/></g>)"
                       R"(<g font-size="1in"><rect id="inches"/></g></svg>)"));
    const auto length = [&](const char* id, const char* text) {
        return SVGLengthParser::horizontal().parse(QString::fromUtf8(text), document.contextOf(id));
    };
    EXPECT_EQ(length("plain", "2em"), 32);
    EXPECT_EQ(length("sized", "2em"), 20);
    EXPECT_EQ(length("sized", "2ex"), 10);
    EXPECT_EQ(length("inches", "1em"), 96);
    // the document-level reader always uses the default font size
    EXPECT_EQ(SVGLengthParser::horizontal().parse(QStringLiteral("2em"),
                                                  document.contextOf("sized").root()),
              32);
}

TEST(ViewBox, NeedsExactlyFourPartsSeparatedBySingleBlanksOrTabs) {
    struct Case {
        const char* attribute;
        std::optional<QRectF> box;
    };
    const Case cases[] = {
        {R"(viewBox="0 0 24 24")", QRectF(0, 0, 24, 24)},
        {R"(viewbox="1 2 3 4")", QRectF(1, 2, 3, 4)},
        {"viewBox=\"0\t0\t8\t8\"", QRectF(0, 0, 8, 8)},
        {R"(viewBox="0, 0, 24, 24")", QRectF(0, 0, 24, 24)},
        {R"(viewBox="0  0 24 24")", {}},
        {R"(viewBox="0,0,24,24")", {}},
        {R"(viewBox="0 0 24")", {}},
        {R"(viewBox="0 0 24 x")", {}},
        {R"(viewBox="0 0 1e999 24")", {}},
        {R"(width="24")", {}},
    };
    for (const Case& c : cases) {
        const ParsedDocument document(QStringLiteral("<svg %1/>").arg(c.attribute));
        EXPECT_EQ(parseViewBox(document.root().attributes, document.rootContext()), c.box)
            << c.attribute;
    }
}

TEST(PlainNumber, ReadsPixelsAndReportsOtherUnits) {
    CapturedOutput output;
    EXPECT_EQ(SVGHelper::parseNumber(QStringLiteral("none")), 0);
    EXPECT_EQ(SVGHelper::parseNumber(QStringLiteral("3px")), 3);
    EXPECT_EQ(SVGHelper::parseNumber(QStringLiteral("50%")), 50);
    EXPECT_EQ(SVGHelper::parseNumber(QStringLiteral("2PX")), 2);
    EXPECT_EQ(SVGHelper::parseNumber(QStringLiteral("abc")), std::nullopt);
    EXPECT_EQ(SVGHelper::parseNumber(QStringLiteral("nan")), std::nullopt);
    EXPECT_EQ(SVGHelper::parseNumber(QStringLiteral("")), std::nullopt);
    EXPECT_EQ(output.lines(),
              QStringList({unitMessage("PX"), unitMessage("abc"), unitMessage("nan")}));
}

TEST(PointList, PairsNumbersAndStopsAtAForeignCharacter) {
    struct Case {
        const char* text;
        QList<QPointF> points;
    };
    const Case cases[] = {
        {"1,2 3,4 5", {{1, 2}, {3, 4}}},
        {"  1 2,,3\n4  ", {{1, 2}, {3, 4}}},
        {"1;2", {}},
        {"1,2 3,4;5,6", {{1, 2}, {3, 4}}},
        {"1 2 x 3 4", {{1, 2}}},
        {"1e999 2 3 4", {}},
        {"", {}},
        {"7", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SVGHelper::parsePoints(QString::fromUtf8(c.text)), c.points) << c.text;
    }
}

TEST(DashArray, SplitsOnBlanksAndCommasAndSkipsPartsWithoutNumbers) {
    struct Case {
        const char* value;
        QList<double> dashes;
    };
    const Case cases[] = {
        {"5, 3", {5, 3}},
        {"none", {0}},
        {"4 x 2", {4, 2}},
        {"1,,2", {1, 2}},
    };
    for (const Case& c : cases) {
        const SVGStyleMap styles{{"stroke-dasharray", QString::fromUtf8(c.value)}};
        CapturedOutput output;
        EXPECT_EQ(SVGHelper::parseDashArray(styles), c.dashes) << c.value;
    }
    EXPECT_TRUE(SVGHelper::parseDashArray({}).isEmpty());
}

} // namespace
