#include "ParseTestSupport.h"
#include "vector/SVGAttribute.h"
#include "vector/SVGHelper.h"
#include "vector/SVGIndex.h"

#include <QPointF>
#include <QTransform>

#include <gtest/gtest.h>

#include <cmath>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

const QString unitMessage(const char* unit) {
    return QStringLiteral("SVG parsing error. Unit \"%1\" is not supported").arg(unit);
}

TEST(Length, ConvertsEveryUnitAtTheDefaultResolution) {
    const ParsedDocument document(QStringLiteral("<svg/>"));
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"12", 12},  {"12px", 12},   {"1in", 96},     {"2.54cm", 96}, {"72pt", 96},
        {"6pc", 96}, {"25.4mm", 96}, {"10 PX", 10},   {"none", 0},    {"abc", {}},
        {"", {}},    {"0,", 0},      {"1e999px", {}}, {"-4", -4}};
    CapturedOutput output;
    for (const auto& [text, expected] : cases) {
        const std::optional<double> value =
            SVGLengthParser::horizontal().parse(QString::fromUtf8(text), document.rootContext());
        EXPECT_NEAR(value.value_or(-1e9), expected.value_or(-1e9), 1e-9) << text;
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

TEST(Length, ResolvesPercentagesAgainstTheScreenAxisAndEmAgainstTheFontSize) {
    const ParsedDocument wide(QStringLiteral(R"(<rect width="50%"/>)"), SVGScreen{96, 200, 100});
    EXPECT_EQ(SVGLengthParser::horizontal().parse(QStringLiteral("50%"), wide.rootContext()), 100);
    EXPECT_EQ(SVGLengthParser::vertical().parse(QStringLiteral("50%"), wide.rootContext()), 50);
    EXPECT_EQ(SVGAttributes::width.value(wide.rootContext()), 100);
    const ParsedDocument diagonal(QStringLiteral("<svg/>"), SVGScreen{96, 300, 400});
    EXPECT_NEAR(*SVGLengthParser::radial().parse(QStringLiteral("50%"), diagonal.rootContext()),
                0.5 * 500 / std::sqrt(2.0), 1e-9);

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
    const std::pair<const char*, std::optional<QRectF>> cases[] = {
        {R"(viewBox="0 0 24 24")", QRectF(0, 0, 24, 24)},
        {R"(viewbox="1 2 3 4")", QRectF(1, 2, 3, 4)},
        {"viewBox=\"0\t0\t8\t8\"", QRectF(0, 0, 8, 8)},
        {R"(viewBox="0, 0, 9, 9")", QRectF(0, 0, 9, 9)},
        {R"(viewBox="0  0 24 24")", {}},
        {R"(viewBox="0,0,24,24")", {}},
        {R"(viewBox="0 0 24")", {}},
        {R"(viewBox="0 0 24 x")", {}},
        {R"(viewBox="0 0 1e999 24")", {}},
        {R"(width="24")", {}}};
    for (const auto& [attribute, box] : cases) {
        const ParsedDocument document(QStringLiteral("<svg %1/>").arg(attribute));
        EXPECT_EQ(parseViewBox(document.root().attributes, document.rootContext()), box)
            << attribute;
    }
}

TEST(PlainNumber, ReadsPixelsAndReportsOtherUnits) {
    CapturedOutput output;
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"none", 0}, {"3px", 3}, {"50%", 50}, {"2PX", 2}, {"abc", {}}, {"nan", {}}, {"", {}}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(SVGHelper::parseNumber(QString::fromUtf8(text)), value) << text;
    EXPECT_EQ(output.lines(),
              QStringList({unitMessage("PX"), unitMessage("abc"), unitMessage("nan")}));
}

TEST(PointListAndDashArray, PairNumbersUpToAForeignCharacterAndSkipPartsWithoutNumbers) {
    const QList<QPointF> two = {{1, 2}, {3, 4}}, one = {{1, 2}}, none;
    const std::pair<const char*, QList<QPointF>> points[] = {
        {"1,2 3,4 5", two}, {"  1 2,,3\n4  ", two}, {"1,2 3,4;5,6", two}, {"1 2 x 3 4", one},
        {"1;2", none},      {"1e999 2 3 4", none},  {"", none},           {"7", none}};
    for (const auto& [text, expected] : points)
        EXPECT_EQ(SVGHelper::parsePoints(QString::fromUtf8(text)), expected) << text;
    const std::pair<const char*, QList<double>> dashes[] = {
        {"5, 3", {5, 3}}, {"none", {0}}, {"4 x 2", {4, 2}}, {"1,,2", {1, 2}}};
    for (const auto& [value, expected] : dashes) {
        CapturedOutput output;
        EXPECT_EQ(SVGHelper::parseDashArray({{"stroke-dasharray", QString::fromUtf8(value)}}),
                  expected)
            << value;
    }
    EXPECT_TRUE(SVGHelper::parseDashArray({}).isEmpty());
}

TEST(TransformList, ComposesTheWrittenFunctionsAfterTheStartAndSkipsWhatItCannotRead) {
    // "1-2" is one number text of the pattern, which does not convert; two numbers are no
    // rotation; names compare with case; ".5", "+1", "2e" and a space before the brackets are
    // forms the pattern does not cover. A bad matrix entry or a non-finite number changes
    // nothing, but the list goes on.
    const std::pair<const char*, const char*> singleFunctions[] = {
        {"", "1 0 0 1 0 0"},
        {"none", "1 0 0 1 0 0"},
        {"translate(5)", "1 0 0 1 5 0"},
        {"translate(5,-2)", "1 0 0 1 5 -2"},
        {"scale(2)", "2 0 0 2 0 0"},
        {"scale(2,3)", "2 0 0 3 0 0"},
        {"rotate(90)", "0 1 -1 0 0 0"},
        {"rotate(90 10 10)", "0 1 -1 0 20 0"},
        {"skewX(45)", "1 0 1 1 0 0"},
        {"skewY(45)", "1 1 0 1 0 0"},
        {"matrix(1,2,3,4,5,6)", "1 2 3 4 5 6"},
        {"translate(1E1,2e-1)", "1 0 0 1 10 0.2"},
        {"translate(1-2)", "1 0 0 1 0 0"},
        {"scale(.5)", "1 0 0 1 0 0"},
        {"rotate (45)", "1 0 0 1 0 0"},
        {"translate(+1,2)", "1 0 0 1 0 0"},
        {"scale(2e)", "1 0 0 1 0 0"}};
    const std::pair<const char*, const char*> lists[] = {
        {"translate(10,0) scale(2)", "2 0 0 2 10 0"},
        {"scale(2) translate(10,0)", "2 0 0 2 20 0"},
        {"translate(10,\n0)\nscale(2)", "2 0 0 2 10 0"},
        {"rotate(45,10) translate(1,0)", "1 0 0 1 1 0"},
        {"Scale(2) translate(1,1)", "1 0 0 1 1 1"},
        {"matrix(1,0,0,1,1e,0) translate(2,0)", "1 0 0 1 2 0"},
        {"translate(1e999,0) translate(1,0)", "1 0 0 1 1 0"},
        {"wobble(3) translate(4)", "1 0 0 1 4 0"},
        {"scale(1e200) scale(1e200)", "1e+200 0 0 1e+200 0 0"}};
    for (const auto& [text, transform] : lists)
        EXPECT_EQ(transformText(SVGHelper::parseTransform(QString::fromUtf8(text), QTransform())),
                  transform)
            << text;
    for (const auto& [text, transform] : singleFunctions)
        EXPECT_EQ(transformText(SVGHelper::parseTransform(QString::fromUtf8(text), QTransform())),
                  transform)
            << text;
    // New functions apply before the starting transform; a short matrix ends the whole list.
    EXPECT_EQ(
        transformText(SVGHelper::parseTransform(u"translate(1,0)", QTransform::fromScale(2, 2))),
        "2 0 0 2 2 0");
    EXPECT_EQ(
        transformText(SVGHelper::parseTransform(u"translate(1,0) matrix(1,0,0,1) translate(5,5)",
                                                QTransform::fromTranslate(7, 0))),
        "1 0 0 1 8 0");
    EXPECT_EQ(SVGHelper::parseNumbers(u"1,-2.5e-3 4. 5e 1.2.3"),
              QStringList({"1", "-2.5e-3", "4.", "5e", "1.2", "3"}));
    EXPECT_TRUE(SVGHelper::parseNumbers(u"no digits - .").isEmpty());
}

TEST(TransformList, FindsFunctionsInHostileTextWithoutBacktracking) {
    // GIVEN long digit runs that an ambiguous argument pattern would try to split every way
    QString text = QStringLiteral("scale(") + QString(20000, u'1') + QStringLiteral("x)");
    text += QStringLiteral("a(1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e x) ").repeated(2000);
    text += QStringLiteral("translate(3)");
    // THEN the one readable function is still found
    EXPECT_EQ(SVGHelper::parseTransform(text, QTransform()).map(QPointF(0, 0)), QPointF(3, 0));
    // and a run that splits into several numbers reads as them
    EXPECT_EQ(SVGHelper::parseTransform(u"scale(1e1e1)", QTransform()).map(QPointF(1, 1)),
              QPointF(10, 1));
}

std::optional<qint64> colorValue(const char* text, const SVGStyleMap& styles = {}) {
    const std::optional<SVGColor> color = SVGHelper::parseColor(QString::fromUtf8(text), styles);
    return color ? std::optional<qint64>(color->value()) : std::nullopt;
}

TEST(Color, ReadsKeywordsHexAndRgbFormsAndCurrentColorOnce) {
    const std::pair<const char*, std::optional<qint64>> cases[] = {
        {"#fff", 0xFFFFFF},
        {"fff", 0xFFFFFF},
        {"WHITE", 0xFFFFFF},
        {"#FF0000", 0xFF0000},
        {"# f 8 0", 0xFF8800},
        {"#80ff0000", 0x80FF0000},
        {"none", {}},
        {"transparent", {}},
        {"None", 0},
        {"inherit", 0},
        {"currentColor", 0xC},
        {"rgb(255,0,0)", 0xFF0000},
        {"rgb(100%,0%,0%)", 0xFF0000},
        {"rgb(50%,50%,50%)", 0x7F7F7F},
        {"rgb(300,0,0)", 0x2C0000},
        {"rgb(-1,0,0)", 0xFF0000},
        {"rgb(1,2)", 0},
        {"rgba(255,0,0,0.5)", 0},
        {"rgb(1e999,0,0)", 0},
        {"rgb(nan,0,0)", 0},
        {"rgb(1e300,0,0)", 0},
        {"rgb", 0},
        {"rgb(10%, 20%, 30%)", 0x1A334D}};
    EXPECT_EQ(colorValue("#12345678901234567890"), 0);
    for (const auto& [text, value] : cases)
        EXPECT_EQ(colorValue(text), value) << text;
    EXPECT_EQ(colorValue("currentColor", {{"color", "blue"}}), 0x0000FF);
    EXPECT_EQ(colorValue("current Color", {{"color", "#0f0"}}), 0x00FF00);
    EXPECT_EQ(colorValue("currentColor", {{"color", "none"}}), std::nullopt);
    // A colour that points at itself ends after one step.
    EXPECT_EQ(colorValue("currentColor", {{"color", "currentColor"}}), 0x00000C);
}

TEST(Paint, AppliesFillOrElementOpacityToColorsOnly) {
    SVGIndex index;
    const auto gradient = std::make_shared<const SVGLinearGradient>(
        0, 0, 1, 0, false, QList<SVGStop>{SVGStop(SVGColor(0), 0), SVGStop(SVGColor(0xFFFFFF), 1)});
    index.paints.insert("g", gradient);
    const std::tuple<const char*, SVGStyleMap, const char*> cases[] = {
        {"red", {{"fill-opacity", "0.5"}}, "7fff0000"},
        {"red", {{"opacity", "2"}}, "ff0000"},
        {"red", {{"opacity", "0.5"}, {"fill-opacity", "1"}}, "ff0000"},
        {"red", {{"opacity", "0.5"}, {"fill-opacity", "x"}}, "7fff0000"},
        {"red", {{"opacity", "-1"}}, "ffff0000"},
        {"#80ff0000", {}, "ff0000"},
        {"url(#missing)", {}, "0"},
        {"url", {}, "0"},
        {"none", {}, "none"}};
    for (const auto& [value, styles, expected] : cases) {
        CapturedOutput output;
        EXPECT_EQ(paintText(SVGHelper::parsePaint(QString::fromUtf8(value), styles, index)),
                  expected)
            << value;
    }
    EXPECT_EQ(SVGHelper::parsePaint(QStringLiteral("url(#g)"), {{"fill-opacity", "0.2"}}, index),
              gradient);
}

TEST(Stroke, ReadsEveryStrokeStyleWithItsDefaultAndReportsUnits) {
    SVGIndex index;
    EXPECT_FALSE(SVGHelper::parseStroke({}, index));
    EXPECT_FALSE(SVGHelper::parseStroke({{"stroke", "none"}, {"stroke-width", "3"}}, index));
    EXPECT_EQ(strokeText(SVGHelper::parseStroke({{"stroke", "blue"}}, index)),
              "ff width 1 cap 0 join 0 miter 4 dashes [] offset 0");
    // (1 - 0.8) * 255 is just below 51 in double precision.
    EXPECT_EQ(strokeText(SVGHelper::parseStroke({{"stroke", "blue"},
                                                 {"fill-opacity", "0.2"},
                                                 {"stroke-opacity", "0.8"},
                                                 {"stroke-width", "2.5px"},
                                                 {"stroke-linecap", "round"},
                                                 {"stroke-linejoin", "bevel"},
                                                 {"stroke-miterlimit", "10"},
                                                 {"stroke-dasharray", "5, 3"},
                                                 {"stroke-dashoffset", "none"}},
                                                index)),
              "320000ff width 2.5 cap 1 join 2 miter 10 dashes [5 3] offset 0");
    EXPECT_EQ(strokeText(SVGHelper::parseStroke({{"stroke", "red"},
                                                 {"stroke-linecap", "square"},
                                                 {"stroke-linejoin", "round"},
                                                 {"opacity", "0.5"}},
                                                index)),
              "7fff0000 width 1 cap 2 join 1 miter 4 dashes [] offset 0");
    CapturedOutput output;
    EXPECT_EQ(SVGHelper::parseStroke({{"stroke", "red"}, {"stroke-width", "2em"}}, index)->width(),
              2);
    EXPECT_EQ(output.lines(), QStringList({unitMessage("em")}));
}

} // namespace
