#include "vector/SVGPaintReader.h"

#include "ParseTestSupport.h"
#include "vector/SVGIndex.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

std::optional<qint64> colorValue(const char* text, const SVGStyleMap& styles = {}) {
    const std::optional<SVGColor> color = SVGHelper::parseColor(QString::fromUtf8(text), styles);
    return color ? std::optional<qint64>(color->value()) : std::nullopt;
}

TEST(Color, ReadsKeywordsHexAndRgbFormsAndCurrentColorOnce) {
    const std::pair<const char*, std::optional<qint64>> cases[] = {
        {"#fff", 0xFFFFFF},
        {"# f 8 0", 0xFF8800},
        {"#80ff0000", 0x80FF0000},
        {"none", {}},
        {"transparent", {}},
        {"None", 0},
        {"currentColor", 0xC},
        {"rgb(255,0,0)", 0xFF0000},
        {"rgb(50%,50%,50%)", 0x7F7F7F},
        {"rgb(300,0,0)", 0x2C0000},
        {"rgb(1,2)", 0},
        {"rgba(255,0,0,0.5)", 0},
        {"rgb(1e999,0,0)", 0},
        {"rgb(10%, 20%, 30%)", 0x1A334D}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(colorValue(text), value) << text;
    }
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
    // A gradient of one stop is kept as its colour, blue at half opacity, which the fill's
    // opacity multiplies: alpha 128 * 0.8 = 102.4.
    index.paints.insert("one", std::make_shared<const SVGColor>(0x7F0000FF));
    const std::tuple<const char*, SVGStyleMap, const char*> cases[] = {
        {"url(#one)", {{"fill-opacity", "0.8"}}, "980000ff"},
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

TEST(Stroke, ReadsEveryStrokeStyleWithItsDefault) {
    SVGIndex index;
    EXPECT_FALSE(SVGHelper::parseStroke({}, index));
    EXPECT_FALSE(SVGHelper::parseStroke({{"stroke", "none"}, {"stroke-width", "3"}}, index));
    EXPECT_EQ(strokeText(SVGHelper::parseStroke({{"stroke", "blue"}}, index)), "ff width 1");
    const SVGStyleMap styled = {
        {"stroke", "blue"},          {"fill-opacity", "0.2"},      {"stroke-opacity", "0.8"},
        {"stroke-width", "2.5px"},   {"stroke-linecap", "round"},  {"stroke-linejoin", "bevel"},
        {"stroke-miterlimit", "10"}, {"stroke-dasharray", "5, 3"}, {"stroke-dashoffset", "none"}};
    // (1 - 0.8) * 255 is just below 51 in double precision.
    EXPECT_EQ(strokeText(SVGHelper::parseStroke(styled, index)),
              "320000ff width 2.5 cap 1 join 2 miter 10 dash 5 dash 3");
    const SVGStyleMap square = {{"stroke", "red"},
                                {"stroke-linecap", "square"},
                                {"stroke-linejoin", "round"},
                                {"opacity", "0.5"}};
    EXPECT_EQ(strokeText(SVGHelper::parseStroke(square, index)), "7fff0000 width 1 cap 2 join 1");
    index.paints.insert("one", std::make_shared<const SVGColor>(0x7F0000FF));
    EXPECT_EQ(
        strokeText(SVGHelper::parseStroke(
            {{"stroke", "url(#one)"}, {"stroke-opacity", "0.8"}, {"fill-opacity", "0.1"}}, index)),
        "980000ff width 1");
}

} // namespace
