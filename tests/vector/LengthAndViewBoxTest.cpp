#include "ParseTestSupport.h"
#include "vector/SVGAttribute.h"
#include "vector/SVGLengthParser.h"
#include "vector/SVGViewBox.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

TEST(Length, ConvertsEveryUnitAtTheDefaultResolutionAndReportsAnUnsupportedOne) {
    const ParsedDocument document(QStringLiteral("<svg/>"));
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"12", 12},  {"12px", 12},   {"1in", 96},     {"2.54cm", 96}, {"72pt", 96},
        {"6pc", 96}, {"25.4mm", 96}, {"10 PX", 10},   {"none", 0},    {"abc", {}},
        {"", {}},    {"0,", 0},      {"1e999px", {}}, {"-4", -4}};
    CapturedOutput output;
    for (const auto& [text, expected] : cases) {
        const std::optional<double> value = parseLength(
            SVGLengthParser::horizontal(), QString::fromUtf8(text), document.rootContext());
        EXPECT_NEAR(value.value_or(-1e9), expected.value_or(-1e9), 1e-9) << text;
    }
    EXPECT_TRUE(output.lines().isEmpty());
    // An unsupported unit is reported and its number kept.
    CapturedOutput reported;
    EXPECT_EQ(parseLength(SVGLengthParser::horizontal(), u"10foo", document.rootContext()), 10);
    EXPECT_EQ(parseLength(SVGLengthParser::fontSize(), u"2em", document.rootContext()), 2);
    EXPECT_EQ(reported.lines(), QStringList({unitMessage("foo"), unitMessage("em")}));
}

TEST(Length, ResolvesPercentagesAgainstTheScreenAxisAndEmAgainstTheFontSize) {
    const ParsedDocument wide(QStringLiteral(R"(<rect width="50%"/>)"), SVGScreen{96, 200, 100});
    EXPECT_EQ(parseLength(SVGLengthParser::horizontal(), QStringLiteral("50%"), wide.rootContext()),
              100);
    EXPECT_EQ(parseLength(SVGLengthParser::vertical(), QStringLiteral("50%"), wide.rootContext()),
              50);
    EXPECT_EQ(SVGAttributes::width.value(wide.rootContext()), 100);
    const ParsedDocument diagonal(QStringLiteral("<svg/>"), SVGScreen{96, 300, 400});
    EXPECT_NEAR(
        *parseLength(SVGLengthParser::radial(), QStringLiteral("50%"), diagonal.rootContext()),
        0.5 * 500 / std::sqrt(2.0), 1e-9);

    const ParsedDocument document(
        QStringLiteral(R"(<svg><rect id="plain"/><g font-size="10"><rect id="sized"/></g>)"
                       R"(<g font-size="1in"><rect id="inches"/></g></svg>)"));
    const auto length = [&](const char* id, const char* text) {
        return parseLength(SVGLengthParser::horizontal(), QString::fromUtf8(text),
                           document.contextOf(id));
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

} // namespace
