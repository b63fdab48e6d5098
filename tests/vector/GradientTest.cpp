#include "ParseTestSupport.h"
#include "vector/SVGIndex.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using marlox::vector::testing::CapturedOutput;
using marlox::vector::testing::ParsedDocument;

namespace {

template <typename Gradient>
std::shared_ptr<const Gradient> paintAs(const SVGIndex& index, const QString& id) {
    const auto paint = index.paints.value(id);
    return std::dynamic_pointer_cast<const Gradient>(paint);
}

TEST(GradientIndex, StoresGradientsWithTwoStopsAndColoursOfSingleStops) {
    const ParsedDocument document(
        QStringLiteral(R"(<svg><defs><linearGradient id="two"><stop offset="0" stop-color="red"/>)"
                       R"(<stop offset="1" stop-color="blue"/></linearGradient>)"
                       R"(<linearGradient id="one"><stop stop-color="red"/></linearGradient>)"
                       R"(<radialGradient id="none"/></defs></svg>)"));
    const SVGIndex& index = document.index();
    const auto two = paintAs<SVGLinearGradient>(index, "two");
    ASSERT_TRUE(two);
    EXPECT_EQ(two->stops(),
              QList<SVGStop>({SVGStop(SVGColor(0xFF0000), 0), SVGStop(SVGColor(0xFF), 1)}));
    EXPECT_TRUE(index.elements.contains("two"));
    const auto one = paintAs<SVGColor>(index, "one");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->value(), 0xFF0000);
    EXPECT_FALSE(index.paints.contains("none"));
    EXPECT_TRUE(index.elements.contains("none"));
}

TEST(GradientIndex, ReadsCoordinatesAsNumbersOrPercentagesWithDefaults) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><linearGradient id="a" x2="50%"><stop/><stop/></linearGradient>)"
        R"(<linearGradient id="b" x2="0.5" y1="2px"><stop/><stop/></linearGradient>)"
        R"(<linearGradient id="c" x2=" 5%" y2="x"><stop/><stop/></linearGradient>)"
        R"(<radialGradient id="r" cx="0.2" fy="0.9"><stop/><stop/></radialGradient></svg>)"));
    const auto a = paintAs<SVGLinearGradient>(document.index(), "a");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->x1(), 0);
    EXPECT_EQ(a->y1(), 0);
    EXPECT_EQ(a->x2(), 0.5);
    EXPECT_EQ(a->y2(), 0);
    const auto b = paintAs<SVGLinearGradient>(document.index(), "b");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->x2(), 0.5);
    EXPECT_EQ(b->y1(), 2);
    const auto c = paintAs<SVGLinearGradient>(document.index(), "c");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->x2(), 1);
    EXPECT_EQ(c->y2(), 0);
    const auto r = paintAs<SVGRadialGradient>(document.index(), "r");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->cx(), 0.2);
    EXPECT_EQ(r->cy(), 0.5);
    EXPECT_EQ(r->fx(), 0.2);
    EXPECT_EQ(r->fy(), 0.9);
    EXPECT_EQ(r->r(), 0.5);
    EXPECT_FALSE(r->userSpace());
}

TEST(GradientIndex, ClampsOffsetsAndAppliesStopOpacity) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><linearGradient id="g" color="lime"><stop offset="120%" stop-color="blue" stop-opacity="0.5"/>)"
        R"(<stop offset="-0.2"/><stop offset="0.3" stop-color="currentColor"/>)"
        R"(<stop offset="0.4" stop-opacity="1e999" stop-color="red"/></linearGradient></svg>)"));
    const auto gradient = paintAs<SVGLinearGradient>(document.index(), "g");
    ASSERT_TRUE(gradient);
    ASSERT_EQ(gradient->stops().size(), 4);
    EXPECT_EQ(gradient->stops()[0].offset(), 1);
    EXPECT_EQ(gradient->stops()[0].color().value(), 0x7F0000FF);
    EXPECT_EQ(gradient->stops()[1].offset(), 0);
    EXPECT_EQ(gradient->stops()[1].color().value(), 0x000000);
    EXPECT_EQ(gradient->stops()[2].color().value(), 0x00FF00);
    EXPECT_EQ(gradient->stops()[3].color().value(), 0xFF0000);
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
    const SVGIndex& index = document.index();
    EXPECT_FALSE(index.paints.contains("later-user"));
    const auto base = paintAs<SVGLinearGradient>(index, "base");
    const auto empty = paintAs<SVGLinearGradient>(index, "empty");
    ASSERT_TRUE(base);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->stops(), base->stops());
    EXPECT_EQ(empty->x1(), 0.3);
    EXPECT_EQ(empty->y2(), 0.7);
    EXPECT_TRUE(empty->userSpace());
    // White space between the tags is content: no stops of its own, so no paint.
    EXPECT_FALSE(index.paints.contains("spaced"));
    const auto radial = paintAs<SVGRadialGradient>(index, "radial");
    ASSERT_TRUE(radial);
    EXPECT_EQ(radial->stops(), base->stops());
    EXPECT_EQ(radial->cx(), 0.5);
    EXPECT_TRUE(radial->userSpace());
}

TEST(GradientIndex, CarriesTheGradientTransformInItsGeometry) {
    CapturedOutput output;
    const ParsedDocument document(QStringLiteral(
        R"~(<svg><linearGradient id="l" gradientTransform="translate(1,2) scale(2)"><stop/><stop/></linearGradient>)~"
        R"~(<radialGradient id="round" gradientTransform="scale(2)"><stop/><stop/></radialGradient>)~"
        R"~(<radialGradient id="oval" gradientTransform="scale(2,1)"><stop/><stop/></radialGradient></svg>)~"));
    const QStringList lines = output.lines();
    const auto linear = paintAs<SVGLinearGradient>(document.index(), "l");
    ASSERT_TRUE(linear);
    EXPECT_EQ(QPointF(linear->x1(), linear->y1()), QPointF(1, 2));
    EXPECT_EQ(QPointF(linear->x2(), linear->y2()), QPointF(3, 2));
    const auto round = paintAs<SVGRadialGradient>(document.index(), "round");
    ASSERT_TRUE(round);
    EXPECT_EQ(round->r(), 1);
    EXPECT_EQ(QPointF(round->cx(), round->cy()), QPointF(1, 1));
    const auto oval = paintAs<SVGRadialGradient>(document.index(), "oval");
    ASSERT_TRUE(oval);
    EXPECT_EQ(oval->r(), 0.5);
    EXPECT_EQ(oval->cx(), 1);
    EXPECT_EQ(lines, QStringList({"SVG parsing error. No oval radial gradients supported"}));
}

TEST(GradientIndex, IndexesEveryDepthKeepsTheLaterOfTwoIdsAndDropsAFillElementsPaint) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><g><g><rect id="deep"/></g></g><circle id="twice"/><ellipse id="twice"/>)"
        R"(<linearGradient id="f"><stop/><stop/></linearGradient><fill id="f"/>)"
        R"(<linearGradient xml:id="x"><stop/><stop/></linearGradient></svg>)"));
    EXPECT_EQ(document.index().element("deep")->name, "rect");
    EXPECT_EQ(document.index().element("twice")->name, "ellipse");
    EXPECT_EQ(document.index().element("f")->name, "fill");
    EXPECT_FALSE(document.index().paints.contains("f"));
    EXPECT_TRUE(document.index().paints.contains("x"));
}

} // namespace
