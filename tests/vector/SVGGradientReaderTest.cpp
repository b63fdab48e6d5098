#include "vector/SVGGradientReader.h"

#include "ParseTestSupport.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

// The indexed paint of `id` in one text: its geometry, units and stops, or its colour.
QString paintOf(const ParsedDocument& document, const char* id) {
    const auto paint = document.index().paints.value(QString::fromUtf8(id));
    QString text;
    if (const auto* linear = dynamic_cast<const SVGLinearGradient*>(paint.get())) {
        text = "linear " + numbersText({linear->x1(), linear->y1(), linear->x2(), linear->y2()});
    } else if (const auto* radial = dynamic_cast<const SVGRadialGradient*>(paint.get())) {
        text = "radial " +
               numbersText({radial->cx(), radial->cy(), radial->fx(), radial->fy(), radial->r()});
    } else {
        return paintText(paint);
    }
    const auto& gradient = static_cast<const SVGGradient&>(*paint);
    text += gradient.userSpace() ? QStringLiteral(" user") : QStringLiteral(" box");
    for (const SVGStop& stop : gradient.stops()) {
        text += QStringLiteral(" %1@%2").arg(stop.color().value(), 0, 16).arg(stop.offset());
    }
    return text;
}

TEST(GradientIndex, StoresGradientsWithTwoStopsAndColoursOfSingleStops) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><defs><linearGradient id="two"><stop offset="0" stop-color="red"/>)"
        R"(<stop offset="1" stop-color="blue"/></linearGradient>)"
        R"(<linearGradient id="one"><stop stop-color="red" stop-opacity="0.5"/></linearGradient>)"
        R"(<radialGradient id="none"/></defs></svg>)"));
    EXPECT_EQ(paintOf(document, "two"), "linear 0 0 1 0 box ff0000@0 ff@1");
    EXPECT_EQ(paintOf(document, "one"), "7fff0000");
    EXPECT_EQ(paintOf(document, "none"), "none");
    EXPECT_TRUE(document.index().elements.contains("two") &&
                document.index().elements.contains("none"));
}

TEST(GradientIndex, ReadsCoordinatesStopsUnitsAndTransformsWithTheirDefaults) {
    CapturedOutput output;
    const ParsedDocument document(QStringLiteral(
        R"(<svg><linearGradient id="a" x2="50%"><stop/><stop/></linearGradient>)"
        R"(<linearGradient id="b" x2="0.5" y1="2px"><stop/><stop/></linearGradient>)"
        R"(<linearGradient id="c" x2=" 5%" y2="x"><stop/><stop/></linearGradient>)"
        R"(<radialGradient id="r" cx="0.2" fy="0.9"><stop/><stop/></radialGradient>)"
        R"(<linearGradient id="g" color="lime"><stop offset="120%" stop-color="blue" stop-opacity="0.5"/>)"
        R"(<stop offset="-0.2"/><stop offset="0.3" stop-color="currentColor"/>)"
        R"(<stop offset="0.4" stop-opacity="1e999" stop-color="red"/></linearGradient>)"
        R"~(<linearGradient id="l" gradientTransform="translate(1,2) scale(2)"><stop/><stop/></linearGradient>)~"
        R"~(<radialGradient id="round" gradientTransform="scale(2)"><stop/><stop/></radialGradient>)~"
        R"~(<radialGradient id="oval" gradientTransform="scale(2,1)"><stop/><stop/></radialGradient></svg>)~"));
    EXPECT_EQ(paintOf(document, "a"), "linear 0 0 0.5 0 box 0@0 0@0");
    EXPECT_EQ(paintOf(document, "b"), "linear 0 2 0.5 0 box 0@0 0@0");
    EXPECT_EQ(paintOf(document, "c"), "linear 0 0 1 0 box 0@0 0@0");
    EXPECT_EQ(paintOf(document, "r"), "radial 0.2 0.5 0.2 0.9 0.5 box 0@0 0@0");
    // Offsets are clamped and the stop opacity applies to the stop colour.
    EXPECT_EQ(paintOf(document, "g"), "linear 0 0 1 0 box 7f0000ff@1 0@0 ff00@0.3 ff0000@0.4");
    // The gradient transform is carried into the geometry; an oval radial one cannot be.
    EXPECT_EQ(paintOf(document, "l"), "linear 1 2 3 2 box 0@0 0@0");
    EXPECT_EQ(paintOf(document, "round"), "radial 1 1 1 1 1 box 0@0 0@0");
    EXPECT_EQ(paintOf(document, "oval"), "radial 1 0.5 1 0.5 0.5 box 0@0 0@0");
    EXPECT_EQ(output.lines(),
              QStringList({"SVG parsing error. Unit \"x\" is not supported",
                           "SVG parsing error. No oval radial gradients supported"}));
}

TEST(GradientIndex, InheritsFromAnEarlierGradientOnly) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><linearGradient id="later-user" xlink:href="#base"/>)"
        R"(<linearGradient id="base" x1="0.1" y2="0.7" gradientUnits="userSpaceOnUse">)"
        R"(<stop stop-color="red"/><stop stop-color="blue"/></linearGradient>)"
        R"(<linearGradient id="empty" xlink:href="# base" x1="0.3"/>)"
        R"(<linearGradient id="spaced" xlink:href="#base"> </linearGradient>)"
        R"(<radialGradient id="radial" xlink:href="#base" gradientUnits="objectBoundingBox"/>)"
        R"(</svg>)"));
    EXPECT_EQ(paintOf(document, "later-user"), "none");
    EXPECT_EQ(paintOf(document, "empty"), "linear 0.3 0 1 0.7 user ff0000@0 ff@0");
    // White space between the tags is content: no stops of its own, so no paint.
    EXPECT_EQ(paintOf(document, "spaced"), "none");
    EXPECT_EQ(paintOf(document, "radial"), "radial 0.5 0.5 0.5 0.5 0.5 user ff0000@0 ff@0");
}

TEST(GradientIndex, IndexesEveryDepthKeepsTheLaterOfTwoIdsAndDropsAFillElementsPaint) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><g><g><rect id="deep"/></g></g><circle id="twice"/><ellipse id="twice"/>)"
        R"(<linearGradient id="f"><stop/><stop/></linearGradient><fill id="f"/>)"
        R"(<linearGradient xml:id="x"><stop/><stop/></linearGradient></svg>)"));
    EXPECT_EQ(document.index().element("deep")->name, "rect");
    EXPECT_EQ(document.index().element("twice")->name, "ellipse");
    EXPECT_EQ(document.index().element("f")->name, "fill");
    EXPECT_EQ(paintOf(document, "f"), "none");
    EXPECT_NE(paintOf(document, "x"), "none");
}

} // namespace
