#include "ParseTestSupport.h"
#include "vector/CSSParser.h"
#include "vector/SVGAttribute.h"
#include "vector/SVGContext.h"
#include "vector/SVGHelper.h"
#include "vector/SVGIndex.h"
#include "vector/XMLElement.h"

#include <QPointF>
#include <QTransform>

#include <gtest/gtest.h>

#include <cmath>

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
    for (const auto& [text, lines] : {std::pair{"", 0}, {"just words", 1}}) {
        CapturedOutput output;
        EXPECT_FALSE(readMarkup(QString::fromUtf8(text)));
        EXPECT_EQ(output.lines().size(), lines) << text;
    }
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
        // The class named first in the attribute wins, whatever the order of the rules.
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

TEST(StyleCascade, LongStyleMapsFindReplaceAndKeepTheirOrderApartFromTheirCopies) {
    // GIVEN a map of 100 properties, one of them set twice, and a copy that gains more
    SVGStyleMap styles;
    for (int index = 0; index < 100; ++index)
        styles.insert(QStringLiteral("p%1").arg(index), QString::number(index));
    styles.insert(QStringLiteral("p7"), QStringLiteral("seven"));
    SVGStyleMap copy = styles;
    copy.insert(QStringLiteral("extra"), QStringLiteral("x"));
    copy.insert(QStringLiteral("p8"), QStringLiteral("eight"));
    styles = SVGStyleMap();
    // THEN the copy holds every name once, in the order first set, with the last value of each
    QStringList names;
    for (const auto& [name, value] : copy)
        names.append(name);
    EXPECT_EQ(names.size(), 101);
    EXPECT_EQ(names.front(), "p0");
    EXPECT_EQ(names.back(), "extra");
    EXPECT_EQ(copy.value(u"p99"), "99");
    EXPECT_EQ(copy.value(u"p7"), "seven");
    EXPECT_EQ(copy.value(u"p8"), "eight");
    EXPECT_FALSE(copy.contains(u"p100"));
    // AND the original, filled further after the copy, is not changed by it
    SVGStyleMap original;
    for (int index = 0; index < 50; ++index)
        original.insert(QStringLiteral("q%1").arg(index), QString::number(index));
    SVGStyleMap grown = original;
    grown.insert(QStringLiteral("q1"), QStringLiteral("one"));
    grown.insert(QStringLiteral("q50"), QStringLiteral("new"));
    EXPECT_EQ(original.value(u"q1"), "1");
    EXPECT_FALSE(original.contains(u"q50"));
    EXPECT_EQ(grown.value(u"q1"), "one");
    EXPECT_EQ(grown.value(u"q50"), "new");
    EXPECT_EQ(original.size(), 50);
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
        text = "linear " + numbersText({linear->x1(), linear->y1(), linear->x2(), linear->y2()});
    else if (const auto* radial = dynamic_cast<const SVGRadialGradient*>(paint.get()))
        text = "radial " +
               numbersText({radial->cx(), radial->cy(), radial->fx(), radial->fy(), radial->r()});
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

const QString unitMessage(const char* unit) {
    return QStringLiteral("SVG parsing error. Unit \"%1\" is not supported").arg(unit);
}

TEST(Length, ConvertsEveryUnitAtTheDefaultResolutionAndReportsAnUnsupportedOne) {
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
    // An unsupported unit is reported and its number kept.
    CapturedOutput reported;
    EXPECT_EQ(SVGLengthParser::horizontal().parse(u"10foo", document.rootContext()), 10);
    EXPECT_EQ(SVGLengthParser::fontSize().parse(u"2em", document.rootContext()), 2);
    EXPECT_EQ(reported.lines(), QStringList({unitMessage("foo"), unitMessage("em")}));
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
    // A gradient of one stop is kept as its colour: blue at half opacity.
    index.paints.insert("one", std::make_shared<const SVGColor>(0x7F0000FF));
    const std::tuple<const char*, SVGStyleMap, const char*> cases[] = {
        {"url(#one)", {{"fill-opacity", "0.8"}}, "320000ff"},
        {"url(#one)", {}, "ff"},
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
    EXPECT_EQ(strokeText(SVGHelper::parseStroke(
                  {{"stroke", "url(#one)"}, {"stroke-opacity", "0.8"}}, index)),
              "320000ff width 1");
}

} // namespace
