#include "vector/SVGElementParsers.h"

#include "ParseTestSupport.h"
#include "VectorTestSupport.h"
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

TEST(ShapeParsers, ReadLengthsWithDefaultsTheFillAtItsOpacityAndCommonAttributes) {
    // No stroke; the fill defaults to black at the fill or element opacity.
    const std::pair<const char*, const char*> cases[] = {
        {R"(<rect x="1" y="2" width="3" height="4"/>)", "Rect 1 2 3 4 fill 0 stroke none"},
        {R"(<circle cx="5" cy="6"/>)", "Circle 5 6 0 0 fill 0 stroke none"},
        {R"(<ellipse cx="1" rx="3"/>)", "Ellipse -2 0 6 0 fill 0 stroke none"},
        {R"(<line x1="1" y1="2" x2="1in" y2="4"/>)", "Line 1 2 95 2 fill 0 stroke none"},
        {R"(<polygon points="1,2 3,4 5"/>)", "Polygon 1 2 2 2 fill 0 stroke none"},
        {R"(<rect fill="none"/>)", "Rect 0 0 0 0 fill none stroke none"},
        {R"(<rect fill-opacity="0.5"/>)", "Rect 0 0 0 0 fill 7f000000 stroke none"},
        {R"(<rect style="opacity:0.5"/>)", "Rect 0 0 0 0 fill 7f000000 stroke none"},
        {R"(<rect opacity="0.5"/>)", "Rect 0 0 0 0 opacity 0.5 fill 0 stroke none"},
        // Opacity is clamped; id wins over xml:id; the transform is read.
        {R"~(<rect id="a" xml:id="b" opacity="1.5" transform="translate(10,0) scale(2)"/>)~",
         "Rect 0 0 0 0 #a transform 2 0 0 2 10 0 fill 0 stroke none"},
        {R"(<circle xml:id="b" opacity="0.25"/>)",
         "Circle 0 0 0 0 #b opacity 0.25 fill 0 stroke none"},
        {R"(<circle opacity="-3"/>)", "Circle 0 0 0 0 opacity 0 fill 0 stroke none"}};
    for (const auto& [element, text] : cases) {
        const auto node = parseOne<SVGNode>(QString::fromUtf8(element));
        ASSERT_TRUE(node) << element;
        EXPECT_EQ(nodeText(*node), text) << element;
    }
    // A missing corner radius takes the other one.
    for (const auto& [element, radius] :
         {std::pair{R"(<rect rx="4"/>)", 4.0}, {R"(<rect ry="2"/>)", 2.0}}) {
        const auto rect = parseOne<SVGRect>(element);
        ASSERT_TRUE(rect);
        EXPECT_EQ(QSizeF(rect->rx(), rect->ry()), QSizeF(radius, radius)) << element;
    }
}

TEST(PathParser, ReadsTheDataAttributeIntoSegmentsAndTheFillRuleFromTheStyles) {
    const std::pair<const char*, const char*> cases[] = {
        {"<path d=\"M1 2\n  l3&#10;4\"/>", "M 1 2, l 3 4"}, {R"(<path/>)", ""}};
    for (const auto& [element, segments] : cases) {
        const auto path = parseOne<SVGPath>(element);
        ASSERT_TRUE(path) << element;
        EXPECT_EQ(segmentsText(path->segments()), segments) << element;
    }
    const auto group = parseOne<SVGGroup>(R"(<g fill-rule="evenodd"><path d="M0 0"/></g>)");
    ASSERT_TRUE(group);
    EXPECT_EQ(std::static_pointer_cast<SVGPath>(group->contents().front())->fillRule(),
              Qt::OddEvenFill);
    const auto nonZero = parseOne<SVGPath>(R"(<path/>)");
    ASSERT_TRUE(nonZero);
    EXPECT_EQ(nonZero->fillRule(), Qt::WindingFill);
}

TEST(ViewportParser, ReadsOnlyPlainOrPercentageSizes) {
    const std::pair<const char*, SVGLength> cases[] = {{R"(width="24")", SVGLength::pixels(24)},
                                                       {R"(width="50%")", SVGLength::percent(50)},
                                                       {R"(width="24px")", SVGLength::percent(100)},
                                                       {"", SVGLength::percent(100)}};
    for (const auto& [attributes, width] : cases) {
        const auto viewport = std::dynamic_pointer_cast<SVGViewport>(
            SVGParser::parseString(QStringLiteral("<svg %1/>").arg(attributes)));
        ASSERT_TRUE(viewport) << attributes;
        EXPECT_EQ(std::tuple(viewport->width(), viewport->height(), viewport->viewBox()),
                  std::tuple(width, SVGLength::percent(100), std::optional<QRectF>()))
            << attributes;
    }
}

TEST(ViewportParser, ReadsAspectRatioTextsAndReportsInvalidOnes) {
    using S = SVGPreserveAspectRatio::Scaling;
    using A = SVGPreserveAspectRatio::Align;
    const std::pair<std::optional<QString>, SVGPreserveAspectRatio> cases[] = {
        {std::nullopt, {S::meet, A::mid, A::mid}},     {"slice", {S::slice, A::mid, A::mid}},
        {"xMidYMid", {S::none, A::mid, A::mid}},       {"xMaxYMin meet", {S::meet, A::max, A::min}},
        {"XMAXYMIN other", {S::none, A::max, A::min}}, {"ab meet", {S::meet, A::mid, A::mid}}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parsePreserveAspectRatio(text), expected)
            << text.value_or("<absent>").toStdString();
    }
    CapturedOutput output;
    EXPECT_EQ(parsePreserveAspectRatio(QStringLiteral("defer xMidYMid meet")),
              SVGPreserveAspectRatio(S::meet, A::mid, A::mid));
    EXPECT_EQ(output.lines(), QStringList({"Invalid content mode defer xMidYMid meet"}));
}

TEST(TextParser, CollapsesWhiteSpaceAndReadsFontAnchorAndPosition) {
    const auto summary = [](const std::shared_ptr<SVGText>& text) {
        return std::tuple(text->text(), text->font()->name(), text->font()->size(),
                          text->font()->weight(), text->textAnchor(), paintText(text->fill()));
    };
    const auto text = parseOne<SVGText>(
        "<text x=\"3\" y=\"4\" font-family=\"Manrope\" font-size=\"2em\" font-weight=\"bold\" "
        "text-anchor=\"middle\" transform=\"scale(2)\">  Hello \n  world </text>");
    ASSERT_TRUE(text);
    EXPECT_EQ(summary(text), std::tuple(QString("Hello world"), QString("Manrope"), 2.0,
                                        QString("bold"), Qt::AlignHCenter, QString("0")));
    // The position applies inside the element's own transform.
    EXPECT_EQ(text->transform().map(QPointF(0, 0)), QPointF(6, 8));
    const auto defaults = parseOne<SVGText>("<text text-anchor=\"end\">a&amp;b</text>");
    ASSERT_TRUE(defaults);
    EXPECT_EQ(summary(defaults), std::tuple(QString("a&b"), QString("Serif"), 16.0,
                                            QString("normal"), Qt::AlignTrailing, QString("0")));
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

TEST(ImageParser, ReadsMarkupInsideImagesWithTheDocumentOnlyAFewImagesDeep) {
    // GIVEN images holding markup holding images, one more level than is read
    QByteArray markup = R"(<svg><rect width="1" height="1"/></svg>)";
    for (int level = 0; level <= SVGParser::maximumEmbeddingDepth; ++level) {
        markup = R"(<svg><image width="1" height="1" xlink:href="data:image/svg+xml;base64,)" +
                 markup.toBase64() + R"("/></svg>)";
    }
    // WHEN the outer document is read
    std::shared_ptr<const SVGNode> document = SVGParser::parseData(markup);
    // THEN each image down to the last level holds its document, and the last one none
    int levels = 0;
    while (const auto group = std::dynamic_pointer_cast<const SVGGroup>(document)) {
        ASSERT_EQ(group->contents().size(), 1);
        const auto image = std::dynamic_pointer_cast<const SVGDataImage>(group->contents()[0]);
        if (!image) {
            break;
        }
        document = image->document();
        levels += document != nullptr;
    }
    EXPECT_EQ(levels, SVGParser::maximumEmbeddingDepth);
}

} // namespace
