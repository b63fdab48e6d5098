#include "ParseTestSupport.h"
#include "vector/PathSegment.h"
#include "vector/SVGElementParsers.h"
#include "vector/SVGGroup.h"
#include "vector/SVGImage.h"
#include "vector/SVGParser.h"
#include "vector/SVGPath.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"
#include "vector/SVGUserSpaceNode.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using marlox::vector::testing::CapturedOutput;

namespace {

std::shared_ptr<SVGNode> parse(const QString& markup) {
    return SVGParser::parseString(markup);
}

// The first child of a parsed <svg> wrapper around `element`.
template <typename Node>
std::shared_ptr<Node> parseOne(const QString& element, const QString& rootAttributes = {}) {
    const auto root = std::dynamic_pointer_cast<SVGGroup>(
        parse(QStringLiteral("<svg %1>%2</svg>").arg(rootAttributes, element)));
    if (!root || root->contents().isEmpty()) {
        ADD_FAILURE() << "no node for " << element.toStdString();
        return nullptr;
    }
    auto node = std::dynamic_pointer_cast<Node>(root->contents().front());
    EXPECT_TRUE(node) << "wrong kind of node for " << element.toStdString();
    return node;
}

qint64 colorOf(const std::shared_ptr<const SVGPaint>& paint) {
    const auto color = std::dynamic_pointer_cast<const SVGColor>(paint);
    EXPECT_TRUE(color);
    return color ? color->value() : -1;
}

TEST(ShapeParsers, ReadLengthsWithDefaultsAndMirroredCornerRadii) {
    const auto onlyRx = parseOne<SVGRect>(R"(<rect x="1" y="2" width="3" height="4" rx="4"/>)");
    ASSERT_TRUE(onlyRx);
    EXPECT_EQ(onlyRx->frame(), QRectF(1, 2, 3, 4));
    EXPECT_EQ(onlyRx->rx(), 4);
    EXPECT_EQ(onlyRx->ry(), 4);
    const auto onlyRy = parseOne<SVGRect>(R"(<rect ry="2"/>)");
    ASSERT_TRUE(onlyRy);
    EXPECT_EQ(onlyRy->rx(), 2);
    const auto noRadii = parseOne<SVGRect>(R"(<rect width="x"/>)");
    ASSERT_TRUE(noRadii);
    EXPECT_EQ(noRadii->rx(), 0);
    EXPECT_EQ(noRadii->ry(), 0);
    EXPECT_EQ(noRadii->width(), 0);
    const auto percent =
        parseOne<SVGRect>(R"(<rect width="50%" height="50%"/>)", R"(viewBox="0 0 200 80")");
    ASSERT_TRUE(percent);
    EXPECT_EQ(percent->width(), 100);
    EXPECT_EQ(percent->height(), 40);

    const auto circle = parseOne<SVGCircle>(R"(<circle cx="5" cy="6"/>)");
    ASSERT_TRUE(circle);
    EXPECT_EQ(circle->cx(), 5);
    EXPECT_EQ(circle->cy(), 6);
    EXPECT_EQ(circle->r(), 0);
    const auto ellipse = parseOne<SVGEllipse>(R"(<ellipse cx="1" rx="3"/>)");
    ASSERT_TRUE(ellipse);
    EXPECT_EQ(ellipse->rx(), 3);
    EXPECT_EQ(ellipse->ry(), 0);
    const auto line = parseOne<SVGLine>(R"(<line x1="1" y1="2" x2="1in" y2="4"/>)");
    ASSERT_TRUE(line);
    EXPECT_EQ(QLineF(line->x1(), line->y1(), line->x2(), line->y2()), QLineF(1, 2, 96, 4));
    const auto polygon = parseOne<SVGPolygon>(R"(<polygon points="1,2 3,4 5"/>)");
    ASSERT_TRUE(polygon);
    EXPECT_EQ(polygon->points(), QList<QPointF>({{1, 2}, {3, 4}}));
    const auto polyline = parseOne<SVGPolyline>(R"(<polyline/>)");
    ASSERT_TRUE(polyline);
    EXPECT_TRUE(polyline->points().isEmpty());
}

TEST(ShapeParsers, FillDefaultsToBlackAtTheFillOrElementOpacity) {
    struct Case {
        const char* element;
        std::optional<qint64> fill;
    };
    const Case cases[] = {
        {R"(<rect/>)", 0x000000},
        {R"(<rect fill="none"/>)", std::nullopt},
        {R"(<rect fill-opacity="0.5"/>)", 0x7F000000},
        {R"(<rect style="opacity:0.5"/>)", 0x7F000000},
        {R"(<rect opacity="0.5"/>)", 0x000000},
        {R"(<rect fill="#00f" fill-opacity="0.5"/>)", 0x7F0000FF},
    };
    for (const Case& c : cases) {
        const auto rect = parseOne<SVGRect>(QString::fromUtf8(c.element));
        ASSERT_TRUE(rect) << c.element;
        if (c.fill) {
            EXPECT_EQ(colorOf(rect->fill()), *c.fill) << c.element;
        } else {
            EXPECT_FALSE(rect->fill()) << c.element;
        }
        EXPECT_FALSE(rect->stroke()) << c.element;
    }
}

TEST(ShapeParsers, ShapesSharingTheirStylesGetEqualPaintsAndEachWritesItsOwnLines) {
    // GIVEN a group whose stroke and fill its children share, one child with a stroke of its
    // own, and a group whose stroke width has a unit the reader does not support
    CapturedOutput output;
    const auto root = std::dynamic_pointer_cast<SVGGroup>(parse(QStringLiteral(
        R"(<svg><g stroke="#112233" stroke-width="2" fill="red">)"
        R"(<line x2="1"/><rect width="1" height="1"/><circle r="1" stroke="#0000ff"/><path d="M0 0"/>)"
        R"(</g><g stroke="#112233" stroke-width="3em"><line x2="1"/><line x2="2"/></g></svg>)")));
    const QStringList lines = output.lines();
    ASSERT_TRUE(root);
    ASSERT_EQ(root->contents().size(), 2);
    const auto shared = std::dynamic_pointer_cast<SVGGroup>(root->contents()[0]);
    const auto reported = std::dynamic_pointer_cast<SVGGroup>(root->contents()[1]);
    ASSERT_TRUE(shared && reported);
    ASSERT_EQ(shared->contents().size(), 4);
    // THEN the children without styles of their own read the group's paints
    for (const qsizetype index : {0, 1, 3}) {
        const auto shape = std::dynamic_pointer_cast<SVGShape>(shared->contents()[index]);
        ASSERT_TRUE(shape && shape->stroke()) << index;
        EXPECT_EQ(colorOf(shape->fill()), 0xFF0000) << index;
        EXPECT_EQ(colorOf(shape->stroke()->fill()), 0x112233) << index;
        EXPECT_EQ(shape->stroke()->width(), 2) << index;
    }
    // AND the child with a stroke of its own keeps it
    const auto own = std::dynamic_pointer_cast<SVGShape>(shared->contents()[2]);
    ASSERT_TRUE(own && own->stroke());
    EXPECT_EQ(colorOf(own->stroke()->fill()), 0x0000FF);
    EXPECT_EQ(own->stroke()->width(), 2);
    // AND every shape of the second group writes the unit line for its own stroke
    ASSERT_EQ(reported->contents().size(), 2);
    EXPECT_EQ(lines,
              QStringList(2, QStringLiteral("SVG parsing error. Unit \"em\" is not supported")));
    for (const auto& node : reported->contents()) {
        const auto line = std::dynamic_pointer_cast<SVGLine>(node);
        ASSERT_TRUE(line && line->stroke());
        EXPECT_EQ(line->stroke()->width(), 3);
    }
}

TEST(ShapeParsers, ReadCommonAttributesOfEveryElement) {
    const auto rect = parseOne<SVGRect>(
        R"~(<rect id="a" xml:id="b" opacity="1.5" transform="translate(10,0) scale(2)"/>)~");
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->id(), QString("a"));
    EXPECT_EQ(rect->opacity(), 1);
    EXPECT_EQ(rect->transform().map(QPointF(1, 0)), QPointF(12, 0));
    const auto other = parseOne<SVGCircle>(R"(<circle xml:id="b" opacity="0.25"/>)");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->id(), QString("b"));
    EXPECT_EQ(other->opacity(), 0.25);
    const auto plain = parseOne<SVGCircle>(R"(<circle opacity="-3"/>)");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->id());
    EXPECT_EQ(plain->opacity(), 0);
    EXPECT_TRUE(plain->transform().isIdentity());
}

TEST(PathParser, ReadsTheDataAttributeIntoSegments) {
    using T = PathSegmentType;
    struct Case {
        const char* element;
        QList<PathSegment> segments;
    };
    const Case cases[] = {
        {R"(<path d="M10 20L30 40Z"/>)", {{T::M, {10, 20}}, {T::L, {30, 40}}, {T::z, {}}}},
        {"<path d=\"M1 2\n  l3&#10;4\"/>", {{T::M, {1, 2}}, {T::l, {3, 4}}}},
        {R"(<path d="M1e999 2 L1 2"/>)", {{T::L, {1, 2}}}},
        {R"(<path/>)", {}},
    };
    for (const Case& c : cases) {
        const auto path = parseOne<SVGPath>(QString::fromUtf8(c.element));
        ASSERT_TRUE(path) << c.element;
        EXPECT_EQ(path->segments(), c.segments) << c.element;
    }
}

TEST(PathParser, TakesTheFillRuleFromTheStyles) {
    const auto group = parseOne<SVGGroup>(R"(<g fill-rule="evenodd"><path d="M0 0"/></g>)");
    ASSERT_TRUE(group);
    EXPECT_EQ(std::static_pointer_cast<SVGPath>(group->contents().front())->fillRule(),
              Qt::OddEvenFill);
    const auto nonZero = parseOne<SVGPath>(R"(<path fill-rule="nonzero"/>)");
    ASSERT_TRUE(nonZero);
    EXPECT_EQ(nonZero->fillRule(), Qt::WindingFill);
}

TEST(ViewportParser, ReadsSizeViewBoxAndAspectRatio) {
    struct Case {
        const char* attributes;
        SVGLength width;
    };
    const Case cases[] = {
        {R"(width="24")", SVGLength::pixels(24)},
        {R"(width="50%")", SVGLength::percent(50)},
        {R"(width="24px")", SVGLength::percent(100)},
        {R"(width="1e999")", SVGLength::percent(100)},
        {"", SVGLength::percent(100)},
    };
    for (const Case& c : cases) {
        const auto viewport = std::dynamic_pointer_cast<SVGViewport>(
            parse(QStringLiteral("<svg %1/>").arg(c.attributes)));
        ASSERT_TRUE(viewport) << c.attributes;
        EXPECT_EQ(viewport->width(), c.width) << c.attributes;
        EXPECT_EQ(viewport->height(), SVGLength::percent(100)) << c.attributes;
        EXPECT_FALSE(viewport->viewBox()) << c.attributes;
    }
    const auto boxed = std::dynamic_pointer_cast<SVGViewport>(
        parse(R"(<svg viewBox="0 0 24 24" preserveAspectRatio="xMinYMax slice"/>)"));
    ASSERT_TRUE(boxed);
    EXPECT_EQ(boxed->viewBox(), QRectF(0, 0, 24, 24));
    EXPECT_EQ(boxed->preserveAspectRatio(),
              SVGPreserveAspectRatio(SVGPreserveAspectRatio::Scaling::slice,
                                     SVGPreserveAspectRatio::Align::min,
                                     SVGPreserveAspectRatio::Align::max));
}

TEST(ViewportParser, ReadsAspectRatioTextsAndReportsInvalidOnes) {
    using S = SVGPreserveAspectRatio::Scaling;
    using A = SVGPreserveAspectRatio::Align;
    struct Case {
        std::optional<QString> text;
        SVGPreserveAspectRatio expected;
    };
    const Case cases[] = {
        {std::nullopt, {S::meet, A::mid, A::mid}},
        {"none", {S::none, A::mid, A::mid}},
        {"slice", {S::slice, A::mid, A::mid}},
        {"xMidYMid", {S::none, A::mid, A::mid}},
        {"", {S::none, A::mid, A::mid}},
        {"xMaxYMin meet", {S::meet, A::max, A::min}},
        {"XMAXYMIN other", {S::none, A::max, A::min}},
        {"ab meet", {S::meet, A::mid, A::mid}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parsePreserveAspectRatio(c.text), c.expected)
            << c.text.value_or("<absent>").toStdString();
    }
    CapturedOutput output;
    EXPECT_EQ(parsePreserveAspectRatio(QStringLiteral("defer xMidYMid meet")),
              SVGPreserveAspectRatio(S::meet, A::mid, A::mid));
    EXPECT_EQ(output.lines(), QStringList({"Invalid content mode defer xMidYMid meet"}));
}

TEST(TextParser, CollapsesWhiteSpaceAndReadsFontAnchorAndPosition) {
    const auto text = parseOne<SVGText>(
        "<text x=\"3\" y=\"4\" font-family=\"Manrope\" font-size=\"2em\" font-weight=\"bold\" "
        "text-anchor=\"middle\" transform=\"scale(2)\">  Hello \n  world </text>");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->text(), "Hello world");
    ASSERT_TRUE(text->font());
    EXPECT_EQ(text->font()->name(), "Manrope");
    EXPECT_EQ(text->font()->size(), 2);
    EXPECT_EQ(text->font()->weight(), "bold");
    EXPECT_EQ(text->textAnchor(), Qt::AlignHCenter);
    // The position applies inside the element's own transform.
    EXPECT_EQ(text->transform().map(QPointF(0, 0)), QPointF(6, 8));
    EXPECT_EQ(colorOf(text->fill()), 0x000000);

    const auto defaults = parseOne<SVGText>("<text text-anchor=\"end\">a&amp;b</text>");
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->text(), "a&b");
    EXPECT_EQ(defaults->font()->name(), "Serif");
    EXPECT_EQ(defaults->font()->size(), 16);
    EXPECT_EQ(defaults->font()->weight(), "normal");
    EXPECT_EQ(defaults->textAnchor(), Qt::AlignTrailing);

    const auto root = std::dynamic_pointer_cast<SVGGroup>(
        parse("<svg><text><tspan>a</tspan></text><text/><text>b</text></svg>"));
    ASSERT_TRUE(root);
    ASSERT_EQ(root->contents().size(), 1);
    EXPECT_EQ(std::static_pointer_cast<SVGText>(root->contents().front())->text(), "b");
}

TEST(ImageParser, DecodesDataAddressesAndAsksTheLinkerForTheRest) {
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8);
    const auto image = parseOne<SVGDataImage>(
        QStringLiteral(
            R"(<image x="1" y="2" width="3" height="4" xlink:href="data:image/png;base64,%1"/>)")
            .arg(QString::fromLatin1(png.toBase64().insert(4, "\n !"))));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->data(), png);
    EXPECT_EQ(image->frame(), QRectF(1, 2, 3, 4));

    CapturedOutput output;
    const auto jpeg =
        parseOne<SVGURLImage>(QStringLiteral(R"(<image xlink:href="data:image/jpeg;base64,%1"/>)")
                                  .arg(QString::fromLatin1(png.toBase64())));
    ASSERT_TRUE(jpeg);
    EXPECT_FALSE(jpeg->data());
    EXPECT_TRUE(jpeg->src().startsWith("data:image/jpeg"));
    EXPECT_EQ(output.lines().size(), 1);

    const auto root =
        std::dynamic_pointer_cast<SVGGroup>(parse(R"(<svg><image href="a.png"/></svg>)"));
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->contents().isEmpty());
}

} // namespace
