#include "ParseTestSupport.h"
#include "vector/CSSParser.h"
#include "vector/SVGContext.h"
#include "vector/SVGIndex.h"
#include "vector/XMLElement.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

QStringList contentSummary(const XMLElement& element) {
    QStringList summary;
    for (const auto& item : element.contents) {
        if (const XMLElement* child = item->asElement())
            summary.append(QStringLiteral("<%1>").arg(child->name));
        else if (const XMLText* text = item->asText())
            summary.append(QStringLiteral("\"%1\"").arg(text->text));
    }
    return summary;
}

TEST(MarkupReader, KeepsTextRunsAndElementsInOrderJoiningCharacterDataAroundMarkup) {
    const std::pair<const char*, QStringList> cases[] = {
        {"<svg><g> <rect/> </g></svg>", {"<g>"}},
        {"<g> <rect/> </g>", {"\" \"", "<rect>", "\" \""}},
        {"<text>Salt &amp; pepper</text>", {"\"Salt & pepper\""}},
        {"<text>a<!-- note -->b<?tool run?>c</text>", {"\"abc\""}},
        {"<text>one<![CDATA[ dropped ]]>two</text>", {"\"onetwo\""}},
        {"<text>&#65;&lt;&#x42;</text>", {"\"A<B\""}}};
    for (const auto& [markup, summary] : cases) {
        CapturedOutput output;
        const auto root = readMarkup(QString::fromUtf8(markup));
        ASSERT_TRUE(root) << markup;
        EXPECT_EQ(contentSummary(*root), summary) << markup;
        EXPECT_TRUE(output.lines().isEmpty());
    }
    const auto root = readMarkup(QStringLiteral("<svg><g/></svg>"));
    EXPECT_EQ(root->contents.front()->asElement()->parent(), root.get());
}

TEST(MarkupReader, KeepsQualifiedNamesAndResolvedAttributeValues) {
    // GIVEN prefixed names without any namespace declaration
    const auto root = readMarkup(
        QStringLiteral(R"(<svg:svg><use xlink:href="#a" title="x &lt; y" Fill="red"/></svg:svg>)"));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->name, "svg:svg");
    const XMLAttributes& attributes = root->contents.front()->asElement()->attributes;
    EXPECT_EQ(attributes.value(u"xlink:href"), QString("#a"));
    EXPECT_EQ(attributes.value(u"title"), QString("x < y"));
    EXPECT_EQ(attributes.value(u"Fill"), QString("red"));
    EXPECT_FALSE(attributes.contains(u"fill"));
}

TEST(MarkupReader, KeepsTheTreeReadBeforeAnErrorAndWritesOneLine) {
    for (const char* markup : {R"(<svg><rect id="a"/><g><circle/>)",
                               R"(<svg><rect id="a"/><g><circle/></g> & </svg>)"}) {
        CapturedOutput output;
        const auto root = readMarkup(QString::fromUtf8(markup));
        EXPECT_EQ(output.lines().size(), 1) << markup;
        ASSERT_TRUE(root) << markup;
        EXPECT_EQ(contentSummary(*root).mid(0, 2), QStringList({"<rect>", "<g>"})) << markup;
    }
    // Nesting beyond the depth cap is such an error too.
    const int levels = DOMParser::maximumDepth + 1;
    CapturedOutput output;
    const auto root = readMarkup(QStringLiteral("<g>").repeated(levels) +
                                 QStringLiteral("</g>").repeated(levels));
    const QStringList lines = output.lines();
    ASSERT_TRUE(root);
    int depth = 1;
    for (const XMLElement* element = root.get(); !element->contents.empty();
         element = element->contents.front()->asElement())
        ++depth;
    EXPECT_EQ(depth, DOMParser::maximumDepth);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.front().contains(QString::number(DOMParser::maximumDepth)));
}

TEST(MarkupReader, ReadsEachDocumentAsIfNoneCameBefore) {
    // GIVEN documents read one after another on the same thread: one that declares an entity,
    // one cut off inside an element, one in UTF-16, and a plain one
    const QString wide = QStringLiteral("<svg fill=\"\u00e9\"/>");
    const QByteArray documents[] = {
        R"(<!DOCTYPE svg [<!ENTITY colour "red">]><svg fill="&colour;"><g/></svg>)",
        R"(<svg fill="&colour;"><g/></svg>)", "<svg><g fill=\"bl",
        QByteArray("\xff\xfe", 2) +
            QByteArray(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2),
        "<svg fill=\"blue\"/>"};
    CapturedOutput output;
    QStringList fills;
    for (const QByteArray& bytes : documents) {
        const auto root = DOMParser::parseData(bytes, *SVGLogger::console());
        fills.append(root ? root->attributes.value(u"fill").value_or(QStringLiteral("<none>")) +
                                contentSummary(*root).join("")
                          : QStringLiteral("<no root>"));
    }
    const QStringList lines = output.lines();
    // THEN the entity resolves in its own document only, and every later document reads whole
    EXPECT_EQ(fills,
              QStringList({"red<g>", "<no root>", "<none>", QStringLiteral("\u00e9"), "blue"}));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains(u"colour")) << lines[0].toStdString();
}

TEST(MarkupReader, GivesNoRootForEmptyNonXMLOrUnencodableText) {
    {
        CapturedOutput output;
        EXPECT_FALSE(readMarkup(QString()));
        EXPECT_TRUE(output.lines().isEmpty());
    }
    CapturedOutput output;
    EXPECT_FALSE(readMarkup(QStringLiteral("just words")));
    EXPECT_EQ(output.lines().size(), 1);
    EXPECT_FALSE(
        DOMParser::parseString(std::nullopt, QStringConverter::Utf8, *SVGLogger::console()));
    EXPECT_FALSE(DOMParser::parseString(QStringLiteral("<svg>\u4e2d</svg>"),
                                        QStringConverter::Latin1, *SVGLogger::console()));
    const auto root = DOMParser::parseString(QStringLiteral("<svg>\u00e9</svg>"),
                                             QStringConverter::Utf8, *SVGLogger::console());
    ASSERT_TRUE(root);
    EXPECT_EQ(root->contents.front()->asText()->text, QStringLiteral("\u00e9"));
}

QString styleOf(const ParsedDocument& document, const QString& id, const QString& name) {
    return document.contextOf(id).styles().value(name, QStringLiteral("<absent>"));
}

TEST(StyleCascade,
     StyleAttributeBeatsPresentationAttributeWhichBeatsRulesWhereTagBeatsClassBeatsId) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"rect { fill: red }", R"(<rect id="t"/>)", "red"},
        {"rect { fill: red }", R"(<rect id="t" fill="blue"/>)", "blue"},
        {"rect { fill: red }", R"(<rect id="t" fill="blue" style="fill: green"/>)", "green"},
        {"rect { fill: red }", R"(<rect id="t" fill="inherit"/>)", "red"},
        {".a{fill:red} #t{fill:blue}", R"(<circle class="a" id="t"/>)", "red"},
        {".a{fill:red} #t{fill:blue} rect{fill:black}", R"(<rect class="a" id="t"/>)", "black"},
        // Class rules apply in written order, not in the order of the class attribute.
        {".a{fill:red} .c{fill:blue}", R"(<rect class="a c" id="t"/>)", "red"},
        {".a{fill:red} .c{fill:blue}", R"(<rect class=" c  a" id="t"/>)", "blue"},
        {"#b{fill:blue}", R"(<rect xml:id="b" id="t"/>)", "<absent>"}};
    for (const auto& [sheet, element, fill] : cases) {
        const ParsedDocument document(
            QStringLiteral("<svg><style>%1</style>%2</svg>").arg(sheet, element));
        EXPECT_EQ(styleOf(document, "t", "fill"), fill) << sheet << element;
    }
}

TEST(StyleCascade, ReadsOnlyTheSupportedSubsetOfStyleSheets) {
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        // one-letter tags and lone signs are skipped; longer tag names apply
        {"g { fill: red }", "g", "fill", nullptr},
        {"svg { fill: red }", "svg", "fill", "red"},
        // an empty rule makes the token count odd: the whole sheet is dropped
        {"rect {} circle { fill: red }", "circle", "fill", nullptr},
        // white space is removed everywhere, also inside values
        {"circle {\n  font-family: Open Sans;\n  stroke-dasharray: 5 3\n}", "circle", "font-family",
         "OpenSans"},
        {"circle,ellipse{fill:red}", "ellipse", "fill", "red"},
        // a declaration holding a second ":" is dropped; importance marks stay in the value
        {"circle{fill:url(http://x);stroke:blue!important}", "circle", "fill", nullptr},
        {"circle{fill:url(http://x);stroke:blue!important}", "circle", "stroke", "blue!important"},
        // descendant selectors run together into one tag name
        {"g path{fill:red}", "gpath", "fill", "red"},
        // repeated selectors merge, the later declaration winning
        {"circle{fill:red;stroke:blue} circle{fill:green}", "circle", "stroke", "blue"},
        {"circle{fill:red;stroke:blue} circle{fill:green}", "circle", "fill", "green"}};
    for (const auto& [sheet, tag, property, value] : cases) {
        CSSParser parser;
        parser.parse(QString::fromUtf8(sheet));
        const SVGStyleMap styles = parser.getStyles(XMLElement(QString::fromUtf8(tag), {}));
        EXPECT_EQ(styles.value(QString::fromUtf8(property), "<absent>"), value ? value : "<absent>")
            << sheet;
    }
}

TEST(StyleCascade, RulesOfEveryStyleElementApplyAndTheStyleAttributeSplitsDeclarations) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><rect id="early" class="k"/><style>.k{fill:red}</style>)"
        R"(<style>.k{stroke:blue}</style><style><![CDATA[.k{stroke-width:3}]]></style>)"
        R"(<rect id="t" style="fill : red ; font-family: Open Sans;broken;a:b:c;;stroke:blue"/></svg>)"));
    EXPECT_EQ(styleOf(document, "early", "fill"), "red");
    EXPECT_EQ(styleOf(document, "early", "stroke"), "blue");
    EXPECT_EQ(styleOf(document, "early", "stroke-width"), "<absent>");
    const SVGStyleMap styles = document.contextOf("t").styles();
    EXPECT_EQ(styles.value(u"fill"), "red");
    EXPECT_EQ(styles.value(u"font-family"), "OpenSans");
    EXPECT_EQ(styles.value(u"stroke"), "blue");
    EXPECT_FALSE(styles.contains(u"a") || styles.contains(u"broken"));
}

TEST(StyleCascade, EveryStyleInheritsOwnValuesWinAndFillCurrentColorMeetsOnlyItsOwnColor) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><g id="group" fill="red" display="none" style="opacity:0.5;inherit-me:x" )"
        R"(opacity="0.3"><rect id="plain"/><rect id="literal" style="fill:inherit"/>)"
        R"(<rect id="own" stroke="blue"/></g><rect id="same" color="blue" fill="currentColor"/>)"
        R"(<g color="green"><rect id="child" fill="currentColor" stroke="currentColor"/></g></svg>)"));
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"plain", "fill", "red"},
        {"plain", "display", "none"},
        {"plain", "opacity", "0.5"},
        {"plain", "inherit-me", "x"},
        {"literal", "fill", "inherit"},
        {"own", "stroke", "blue"},
        {"same", "fill", "blue"},
        {"child", "fill", "currentColor"},
        {"child", "stroke", "currentColor"},
        {"child", "color", "green"}};
    for (const auto& [id, name, value] : cases)
        EXPECT_EQ(styleOf(document, id, name), value) << id << " " << name;
    EXPECT_EQ(document.contextOf("group").properties().value(u"opacity"), "0.3");
    EXPECT_FALSE(document.contextOf("plain").properties().contains(u"opacity"));
    EXPECT_FALSE(document.contextOf("group").properties().contains(u"fill"));
}

// The indexed paint of `id` in one text: its geometry, units and stops, or its colour.
QString paintOf(const ParsedDocument& document, const char* id) {
    const auto paint = document.index().paints.value(QString::fromUtf8(id));
    QString text;
    if (const auto* linear = dynamic_cast<const SVGLinearGradient*>(paint.get()))
        text = QStringLiteral("linear %1 %2 %3 %4")
                   .arg(linear->x1())
                   .arg(linear->y1())
                   .arg(linear->x2())
                   .arg(linear->y2());
    else if (const auto* radial = dynamic_cast<const SVGRadialGradient*>(paint.get()))
        text = QStringLiteral("radial %1 %2 %3 %4 %5")
                   .arg(radial->cx())
                   .arg(radial->cy())
                   .arg(radial->fx())
                   .arg(radial->fy())
                   .arg(radial->r());
    else
        return paintText(paint);
    const auto& gradient = static_cast<const SVGGradient&>(*paint);
    text += gradient.userSpace() ? QStringLiteral(" user") : QStringLiteral(" box");
    for (const SVGStop& stop : gradient.stops())
        text += QStringLiteral(" %1@%2").arg(stop.color().value(), 0, 16).arg(stop.offset());
    return text;
}

TEST(GradientIndex, StoresGradientsWithTwoStopsAndColoursOfSingleStops) {
    const ParsedDocument document(
        QStringLiteral(R"(<svg><defs><linearGradient id="two"><stop offset="0" stop-color="red"/>)"
                       R"(<stop offset="1" stop-color="blue"/></linearGradient>)"
                       R"(<linearGradient id="one"><stop stop-color="red"/></linearGradient>)"
                       R"(<radialGradient id="none"/></defs></svg>)"));
    EXPECT_EQ(paintOf(document, "two"), "linear 0 0 1 0 box ff0000@0 ff@1");
    EXPECT_EQ(paintOf(document, "one"), "ff0000");
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
