#include "ParseTestSupport.h"
#include "VectorTestSupport.h"
#include "vector/PathSegment.h"
#include "vector/SVGElementParsers.h"
#include "vector/SVGGroup.h"
#include "vector/SVGImage.h"
#include "vector/SVGParser.h"
#include "vector/SVGPath.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

std::shared_ptr<SVGGroup> parseRoot(const QString& markup) {
    return std::dynamic_pointer_cast<SVGGroup>(SVGParser::parseString(markup));
}

// The first child of a parsed <svg> wrapper around `element`.
template <typename Node>
std::shared_ptr<Node> parseOne(const QString& element, const QString& rootAttributes = {}) {
    const auto root = parseRoot(QStringLiteral("<svg %1>%2</svg>").arg(rootAttributes, element));
    if (!root || root->contents().isEmpty()) {
        ADD_FAILURE() << "no node for " << element.toStdString();
        return nullptr;
    }
    auto node = std::dynamic_pointer_cast<Node>(root->contents().front());
    EXPECT_TRUE(node) << "wrong kind of node for " << element.toStdString();
    return node;
}

TEST(ShapeParsers, ReadLengthsWithDefaultsAndMirroredCornerRadii) {
    struct Case {
        const char* element;
        QRectF frame;
        QSizeF radii;
    };
    const Case rects[] = {
        {R"(<rect x="1" y="2" width="3" height="4" rx="4"/>)", {1, 2, 3, 4}, {4, 4}},
        {R"(<rect ry="2"/>)", {0, 0, 0, 0}, {2, 2}},
        {R"(<rect width="x"/>)", {0, 0, 0, 0}, {0, 0}}};
    for (const Case& c : rects) {
        const auto rect = parseOne<SVGRect>(c.element);
        ASSERT_TRUE(rect) << c.element;
        EXPECT_EQ(std::tuple(rect->frame(), QSizeF(rect->rx(), rect->ry())),
                  std::tuple(c.frame, c.radii))
            << c.element;
    }
    const auto percent =
        parseOne<SVGRect>(R"(<rect width="50%" height="50%"/>)", R"(viewBox="0 0 200 80")");
    ASSERT_TRUE(percent);
    EXPECT_EQ(percent->frame(), QRectF(0, 0, 100, 40));
    const auto circle = parseOne<SVGCircle>(R"(<circle cx="5" cy="6"/>)");
    ASSERT_TRUE(circle);
    EXPECT_EQ(std::tuple(circle->cx(), circle->cy(), circle->r()), std::tuple(5.0, 6.0, 0.0));
    const auto ellipse = parseOne<SVGEllipse>(R"(<ellipse cx="1" rx="3"/>)");
    ASSERT_TRUE(ellipse);
    EXPECT_EQ(std::tuple(ellipse->rx(), ellipse->ry()), std::tuple(3.0, 0.0));
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
    const std::pair<const char*, const char*> cases[] = {
        {R"(<rect/>)", "0"},
        {R"(<rect fill="none"/>)", "none"},
        {R"(<rect fill-opacity="0.5"/>)", "7f000000"},
        {R"(<rect style="opacity:0.5"/>)", "7f000000"},
        {R"(<rect opacity="0.5"/>)", "0"},
        {R"(<rect fill="#00f" fill-opacity="0.5"/>)", "7f0000ff"}};
    for (const auto& [element, fill] : cases) {
        const auto rect = parseOne<SVGRect>(element);
        ASSERT_TRUE(rect) << element;
        EXPECT_EQ(paintText(rect->fill()), fill) << element;
        EXPECT_FALSE(rect->stroke()) << element;
    }
}

TEST(ShapeParsers, ShapesSharingTheirStylesGetEqualPaintsAndEachWritesItsOwnLines) {
    // GIVEN a group whose stroke and fill its children share, one child with a stroke of its
    // own, and a group whose stroke width has a unit the reader does not support
    CapturedOutput output;
    const auto root = parseRoot(QStringLiteral(
        R"(<svg><g stroke="#112233" stroke-width="2" fill="red">)"
        R"(<line x2="1"/><rect width="1" height="1"/><circle r="1" stroke="#0000ff"/><path d="M0 0"/>)"
        R"(</g><g stroke="#112233" stroke-width="3em"><line x2="1"/><line x2="2"/></g></svg>)"));
    const QStringList lines = output.lines();
    ASSERT_TRUE(root);
    ASSERT_EQ(root->contents().size(), 2);
    QStringList strokes;
    for (const auto& group : root->contents())
        for (const auto& node : std::static_pointer_cast<SVGGroup>(group)->contents()) {
            const auto shape = std::dynamic_pointer_cast<SVGShape>(node);
            ASSERT_TRUE(shape);
            strokes.append(paintText(shape->fill()) + " " + strokeText(shape->stroke()));
        }
    // THEN the children without styles of their own read the group's paints, the one with a
    // stroke of its own keeps it, and each shape of the second group writes its own unit line
    const QString shared = "ff0000 112233 width 2 cap 0 join 0 miter 4 dashes [] offset 0";
    const QString unsupported = "0 112233 width 3 cap 0 join 0 miter 4 dashes [] offset 0";
    EXPECT_EQ(strokes, QStringList({shared, shared,
                                    "ff0000 ff width 2 cap 0 join 0 miter 4 dashes [] offset 0",
                                    shared, unsupported, unsupported}));
    EXPECT_EQ(lines,
              QStringList(2, QStringLiteral("SVG parsing error. Unit \"em\" is not supported")));
}

TEST(ShapeParsers, ReadCommonAttributesOfEveryElement) {
    const auto rect = parseOne<SVGRect>(
        R"~(<rect id="a" xml:id="b" opacity="1.5" transform="translate(10,0) scale(2)"/>)~");
    ASSERT_TRUE(rect);
    EXPECT_EQ(std::tuple(rect->id(), rect->opacity()),
              std::tuple(std::optional<QString>("a"), 1.0));
    EXPECT_EQ(rect->transform().map(QPointF(1, 0)), QPointF(12, 0));
    const auto other = parseOne<SVGCircle>(R"(<circle xml:id="b" opacity="0.25"/>)");
    ASSERT_TRUE(other);
    EXPECT_EQ(std::tuple(other->id(), other->opacity()),
              std::tuple(std::optional<QString>("b"), 0.25));
    const auto plain = parseOne<SVGCircle>(R"(<circle opacity="-3"/>)");
    ASSERT_TRUE(plain);
    EXPECT_EQ(std::tuple(plain->id(), plain->opacity()), std::tuple(std::optional<QString>(), 0.0));
    EXPECT_TRUE(plain->transform().isIdentity());
}

TEST(PathParser, ReadsTheDataAttributeIntoSegmentsAndTheFillRuleFromTheStyles) {
    const std::pair<const char*, const char*> cases[] = {
        {R"(<path d="M10 20L30 40Z"/>)", "M 10 20, L 30 40, z"},
        {"<path d=\"M1 2\n  l3&#10;4\"/>", "M 1 2, l 3 4"},
        {R"(<path d="M1e999 2 L1 2"/>)", "L 1 2"},
        {R"(<path/>)", ""}};
    for (const auto& [element, segments] : cases) {
        const auto path = parseOne<SVGPath>(element);
        ASSERT_TRUE(path) << element;
        EXPECT_EQ(segmentsText(path->segments()), segments) << element;
    }
    const auto group = parseOne<SVGGroup>(R"(<g fill-rule="evenodd"><path d="M0 0"/></g>)");
    ASSERT_TRUE(group);
    EXPECT_EQ(std::static_pointer_cast<SVGPath>(group->contents().front())->fillRule(),
              Qt::OddEvenFill);
    const auto nonZero = parseOne<SVGPath>(R"(<path fill-rule="nonzero"/>)");
    ASSERT_TRUE(nonZero);
    EXPECT_EQ(nonZero->fillRule(), Qt::WindingFill);
}

TEST(ViewportParser, ReadsSizeViewBoxAndAspectRatio) {
    const std::pair<const char*, SVGLength> cases[] = {
        {R"(width="24")", SVGLength::pixels(24)},
        {R"(width="50%")", SVGLength::percent(50)},
        {R"(width="24px")", SVGLength::percent(100)},
        {R"(width="1e999")", SVGLength::percent(100)},
        {"", SVGLength::percent(100)}};
    for (const auto& [attributes, width] : cases) {
        const auto viewport = std::dynamic_pointer_cast<SVGViewport>(
            SVGParser::parseString(QStringLiteral("<svg %1/>").arg(attributes)));
        ASSERT_TRUE(viewport) << attributes;
        EXPECT_EQ(std::tuple(viewport->width(), viewport->height(), viewport->viewBox()),
                  std::tuple(width, SVGLength::percent(100), std::optional<QRectF>()))
            << attributes;
    }
    const auto boxed = std::dynamic_pointer_cast<SVGViewport>(SVGParser::parseString(
        R"(<svg viewBox="0 0 24 24" preserveAspectRatio="xMinYMax slice"/>)"));
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
    const std::pair<std::optional<QString>, SVGPreserveAspectRatio> cases[] = {
        {std::nullopt, {S::meet, A::mid, A::mid}},
        {"none", {S::none, A::mid, A::mid}},
        {"slice", {S::slice, A::mid, A::mid}},
        {"xMidYMid", {S::none, A::mid, A::mid}},
        {"", {S::none, A::mid, A::mid}},
        {"xMaxYMin meet", {S::meet, A::max, A::min}},
        {"XMAXYMIN other", {S::none, A::max, A::min}},
        {"ab meet", {S::meet, A::mid, A::mid}}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parsePreserveAspectRatio(text), expected)
            << text.value_or("<absent>").toStdString();
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
    EXPECT_EQ(std::tuple(text->font()->name(), text->font()->size(), text->font()->weight()),
              std::tuple(QString("Manrope"), 2.0, QString("bold")));
    EXPECT_EQ(text->textAnchor(), Qt::AlignHCenter);
    // The position applies inside the element's own transform.
    EXPECT_EQ(text->transform().map(QPointF(0, 0)), QPointF(6, 8));
    EXPECT_EQ(paintText(text->fill()), "0");

    const auto defaults = parseOne<SVGText>("<text text-anchor=\"end\">a&amp;b</text>");
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->text(), "a&b");
    EXPECT_EQ(
        std::tuple(defaults->font()->name(), defaults->font()->size(), defaults->font()->weight()),
        std::tuple(QString("Serif"), 16.0, QString("normal")));
    EXPECT_EQ(defaults->textAnchor(), Qt::AlignTrailing);
    // Only text of its own makes a text node.
    const auto root = parseRoot("<svg><text><tspan>a</tspan></text><text/><text>b</text></svg>");
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
    const auto root = parseRoot(R"(<svg><image href="a.png"/></svg>)");
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->contents().isEmpty());
}

} // namespace
