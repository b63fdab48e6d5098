#include "vector/SVGContext.h"

#include "ParseTestSupport.h"
#include "vector/CSSParser.h"
#include "vector/XMLElement.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

QString styleOf(const ParsedDocument& document, const QString& id, const QString& name) {
    return document.contextOf(id).styles().value(name, QStringLiteral("<absent>"));
}

TEST(StyleCascade,
     StyleAttributeBeatsPresentationAttributeWhichBeatsRulesWhereTagBeatsClassBeatsId) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
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
    for (int index = 0; index < 100; ++index) {
        styles.insert(QStringLiteral("p%1").arg(index), QString::number(index));
    }
    styles.insert(QStringLiteral("p7"), QStringLiteral("seven"));
    SVGStyleMap copy = styles;
    copy.insert(QStringLiteral("extra"), QStringLiteral("x"));
    copy.insert(QStringLiteral("p8"), QStringLiteral("eight"));
    // THEN the original keeps its own values
    EXPECT_EQ(styles.value(u"p8"), "8");
    EXPECT_FALSE(styles.contains(u"extra"));
    // AND the copy, once the original is gone, holds every name once, in the order first set,
    // with the last value of each
    styles = SVGStyleMap();
    QStringList names;
    for (const auto& [name, value] : copy) {
        names.append(name);
    }
    EXPECT_EQ(names.size(), 101);
    EXPECT_EQ(names.front(), "p0");
    EXPECT_EQ(names.back(), "extra");
    EXPECT_EQ(copy.value(u"extra"), "x");
    EXPECT_EQ(copy.value(u"p99"), "99");
    EXPECT_EQ(copy.value(u"p7"), "seven");
    EXPECT_EQ(copy.value(u"p8"), "eight");
    EXPECT_FALSE(copy.contains(u"p100"));
}

TEST(StyleCascade, EveryStyleInheritsOwnValuesWinAndFillCurrentColorMeetsOnlyItsOwnColor) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><g id="group" fill="red" style="opacity:0.5;inherit-me:x" )"
        R"(opacity="0.3"><rect id="plain"/><rect id="literal" style="fill:inherit"/>)"
        R"(<rect id="own" stroke="blue"/></g><rect id="same" color="blue" fill="currentColor"/>)"
        R"(<g color="green"><rect id="child" fill="currentColor"/></g></svg>)"));
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"plain", "fill", "red"},   {"plain", "inherit-me", "x"}, {"literal", "fill", "inherit"},
        {"own", "stroke", "blue"},  {"same", "fill", "blue"},     {"child", "fill", "currentColor"},
        {"child", "color", "green"}};
    for (const auto& [id, name, value] : cases) {
        EXPECT_EQ(styleOf(document, id, name), value) << id << " " << name;
    }
    EXPECT_EQ(document.contextOf("group").properties().value(u"opacity"), "0.3");
    EXPECT_FALSE(document.contextOf("plain").properties().contains(u"opacity"));
    EXPECT_FALSE(document.contextOf("group").properties().contains(u"fill"));
}

} // namespace
