#include "ParseTestSupport.h"
#include "vector/SVGHelper.h"
#include "vector/SVGIndex.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using marlox::vector::testing::CapturedOutput;

namespace {

std::optional<qint64> colorValue(const char* text, const SVGStyleMap& styles = {}) {
    const std::optional<SVGColor> color = SVGHelper::parseColor(QString::fromUtf8(text), styles);
    return color ? std::optional<qint64>(color->value()) : std::nullopt;
}

qint64 paintValue(const std::shared_ptr<const SVGPaint>& paint) {
    EXPECT_TRUE(paint);
    if (!paint || paint->kind() != SVGPaintKind::color) {
        ADD_FAILURE() << "not a colour";
        return -1;
    }
    return static_cast<const SVGColor&>(*paint).value();
}

TEST(Color, ReadsKeywordsHexAndRgbForms) {
    struct Case {
        const char* text;
        std::optional<qint64> value;
    };
    const Case cases[] = {
        {"#fff", 0xFFFFFF},
        {"fff", 0xFFFFFF},
        {"white", 0xFFFFFF},
        {"WHITE", 0xFFFFFF},
        {"#FF0000", 0xFF0000},
        {"# f 8 0", 0xFF8800},
        {"#80ff0000", 0x80FF0000},
        {"none", std::nullopt},
        {"transparent", std::nullopt},
        {"None", 0x000000},
        {"inherit", 0x000000},
        {"currentColor", 0x00000C},
        {"rgb(255,0,0)", 0xFF0000},
        {"rgb(100%,0%,0%)", 0xFF0000},
        {"rgb(10%, 20%, 30%)", 0x1A334D},
        {"rgb(50%,50%,50%)", 0x7F7F7F},
        {"rgb(300,0,0)", 0x2C0000},
        {"rgb(-1,0,0)", 0xFF0000},
        {"rgb(1,2)", 0x000000},
        {"rgba(255,0,0,0.5)", 0x000000},
        {"rgb(1e999,0,0)", 0x000000},
        {"rgb(nan,0,0)", 0x000000},
        {"rgb(1e300,0,0)", 0x000000},
        {"rgb", 0x000000},
        {"#12345678901234567890", 0x000000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(colorValue(c.text), c.value) << c.text;
    }
}

TEST(Color, ResolvesCurrentColorThroughTheColorStyleOnce) {
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
    struct Case {
        const char* value;
        SVGStyleMap styles;
        qint64 expected;
    };
    const Case cases[] = {
        {"red", {{"fill-opacity", "0.5"}}, 0x7FFF0000},
        {"red", {{"opacity", "2"}}, 0xFF0000},
        {"red", {{"opacity", "0.5"}, {"fill-opacity", "1"}}, 0xFF0000},
        {"red", {{"opacity", "0.5"}, {"fill-opacity", "x"}}, 0x7FFF0000},
        {"red", {{"opacity", "-1"}}, 0xFFFF0000},
        {"#80ff0000", {}, 0xFF0000},
        {"url(#missing)", {}, 0x000000},
    };
    for (const Case& c : cases) {
        CapturedOutput output;
        EXPECT_EQ(paintValue(SVGHelper::parsePaint(QString::fromUtf8(c.value), c.styles, index)),
                  c.expected)
            << c.value;
    }
    EXPECT_EQ(SVGHelper::parsePaint(QStringLiteral("url(#g)"), {{"fill-opacity", "0.2"}}, index),
              gradient);
    EXPECT_FALSE(SVGHelper::parsePaint(QStringLiteral("none"), {}, index));
    EXPECT_EQ(paintValue(SVGHelper::parsePaint(QStringLiteral("url"), {}, index)), 0x000000);
}

TEST(Stroke, ReadsEveryStrokeStyleWithItsDefault) {
    SVGIndex index;
    EXPECT_FALSE(SVGHelper::parseStroke({}, index));
    EXPECT_FALSE(SVGHelper::parseStroke({{"stroke", "none"}, {"stroke-width", "3"}}, index));

    const auto defaults = SVGHelper::parseStroke({{"stroke", "blue"}}, index);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(paintValue(defaults->fill()), 0x0000FF);
    EXPECT_EQ(defaults->width(), 1);
    EXPECT_EQ(defaults->cap(), SVGLineCap::butt);
    EXPECT_EQ(defaults->join(), SVGLineJoin::miter);
    EXPECT_EQ(defaults->miterLimit(), 4);
    EXPECT_TRUE(defaults->dashes().isEmpty());
    EXPECT_EQ(defaults->offset(), 0);

    const auto styled = SVGHelper::parseStroke({{"stroke", "blue"},
                                                {"fill-opacity", "0.2"},
                                                {"stroke-opacity", "0.8"},
                                                {"stroke-width", "2.5px"},
                                                {"stroke-linecap", "round"},
                                                {"stroke-linejoin", "bevel"},
                                                {"stroke-miterlimit", "10"},
                                                {"stroke-dasharray", "5, 3"},
                                                {"stroke-dashoffset", "none"}},
                                               index);
    ASSERT_TRUE(styled);
    // (1 - 0.8) * 255 is just below 51 in double precision.
    EXPECT_EQ(paintValue(styled->fill()), 0x320000FF);
    EXPECT_EQ(styled->width(), 2.5);
    EXPECT_EQ(styled->cap(), SVGLineCap::round);
    EXPECT_EQ(styled->join(), SVGLineJoin::bevel);
    EXPECT_EQ(styled->miterLimit(), 10);
    EXPECT_EQ(styled->dashes(), QList<double>({5, 3}));
    EXPECT_EQ(styled->offset(), 0);

    const auto square = SVGHelper::parseStroke({{"stroke", "red"},
                                                {"stroke-linecap", "square"},
                                                {"stroke-linejoin", "round"},
                                                {"opacity", "0.5"}},
                                               index);
    ASSERT_TRUE(square);
    EXPECT_EQ(square->cap(), SVGLineCap::square);
    EXPECT_EQ(square->join(), SVGLineJoin::round);
    EXPECT_EQ(paintValue(square->fill()), 0x7FFF0000);
}

TEST(Stroke, ReportsUnitsOfStrokeNumbers) {
    SVGIndex index;
    CapturedOutput output;
    const auto stroke = SVGHelper::parseStroke({{"stroke", "red"}, {"stroke-width", "2em"}}, index);
    ASSERT_TRUE(stroke);
    EXPECT_EQ(stroke->width(), 2);
    EXPECT_EQ(output.lines(), QStringList({"SVG parsing error. Unit \"em\" is not supported"}));
}

} // namespace
