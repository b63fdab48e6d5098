#include "ParseTestSupport.h"
#include "vector/CSSParser.h"
#include "vector/SVGContext.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using marlox::vector::testing::CapturedOutput;
using marlox::vector::testing::ParsedDocument;

namespace {

QString styleOf(const ParsedDocument& document, const QString& id, const QString& name) {
    return document.contextOf(id).styles().value(name, QStringLiteral("<absent>"));
}

TEST(StyleCascade, StyleAttributeBeatsPresentationAttributeWhichBeatsRules) {
    struct Case {
        const char* element;
        const char* fill;
    };
    const Case cases[] = {
        {R"(<rect id="t"/>)", "red"},
        {R"(<rect id="t" fill="blue"/>)", "blue"},
        {R"(<rect id="t" fill="blue" style="fill: green"/>)", "green"},
        {R"(<rect id="t" fill="inherit"/>)", "red"},
    };
    for (const Case& c : cases) {
        const ParsedDocument document(
            QStringLiteral("<svg><style>rect { fill: red }</style>%1</svg>").arg(c.element));
        EXPECT_EQ(styleOf(document, "t", "fill"), c.fill) << c.element;
    }
}

TEST(StyleCascade, TagRuleBeatsClassRulesInWrittenOrderWhichBeatIdRule) {
    struct Case {
        const char* sheet;
        const char* element;
        const char* fill;
    };
    const Case cases[] = {
        {".a{fill:red} #b{fill:blue}", R"(<circle class="a" id="b"/>)", "red"},
        {".a{fill:red} #b{fill:blue} rect{fill:black}", R"(<rect class="a" id="b"/>)", "black"},
        {".a{fill:red} .c{fill:blue}", R"(<rect class="a c" id="b"/>)", "red"},
        {".a{fill:red} .c{fill:blue}", R"(<rect class=" c  a" id="b"/>)", "blue"},
        {"#b{fill:blue}", R"(<rect xml:id="b" id="x"/>)", "<absent>"},
    };
    for (const Case& c : cases) {
        const ParsedDocument document(
            QStringLiteral("<svg><style>%1</style><g id=\"host\">%2</g></svg>")
                .arg(c.sheet, c.element));
        const XMLElement& host = *document.index().element("host");
        const SVGNodeContext hostContext = document.contextOf("host");
        const std::optional<SVGNodeContext> context =
            hostContext.create(*host.contents.front()->asElement());
        ASSERT_TRUE(context);
        EXPECT_EQ(context->styles().value(u"fill", "<absent>"), c.fill) << c.sheet << c.element;
    }
}

TEST(StyleCascade, ReadsOnlyTheSupportedSubsetOfStyleSheets) {
    struct Case {
        const char* sheet;
        const char* tag;
        const char* property;
        const char* value;
    };
    const Case cases[] = {
        // one-letter tags and lone signs are skipped; longer tag names apply
        {"g { fill: red }", "g", "fill", nullptr},
        {"svg { fill: red }", "svg", "fill", "red"},
        // an empty rule makes the token count odd: the whole sheet is dropped
        {"rect {} circle { fill: red }", "circle", "fill", nullptr},
        {"circle { fill: red }", "circle", "fill", "red"},
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
        {"circle{fill:red;stroke:blue} circle{fill:green}", "circle", "fill", "green"},
    };
    for (const Case& c : cases) {
        CSSParser parser;
        parser.parse(QString::fromUtf8(c.sheet));
        const XMLElement element(QString::fromUtf8(c.tag), {});
        const SVGStyleMap styles = parser.getStyles(element);
        if (c.value) {
            EXPECT_EQ(styles.value(QString::fromUtf8(c.property)), c.value) << c.sheet;
        } else {
            EXPECT_FALSE(styles.contains(QString::fromUtf8(c.property))) << c.sheet;
        }
    }
}

TEST(StyleCascade, RulesOfEveryStyleElementApplyToElementsBeforeThem) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><rect id="early" class="k"/><style>.k{fill:red}</style>)"
        R"(<style>.k{stroke:blue}</style><style><![CDATA[.k{stroke-width:3}]]></style></svg>)"));
    EXPECT_EQ(styleOf(document, "early", "fill"), "red");
    EXPECT_EQ(styleOf(document, "early", "stroke"), "blue");
    EXPECT_EQ(styleOf(document, "early", "stroke-width"), "<absent>");
}

TEST(StyleCascade, EveryStyleInheritsAndOwnValuesWin) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><g id="group" fill="red" display="none" style="opacity:0.5;inherit-me:x" )"
        R"(opacity="0.3"><rect id="plain"/><rect id="literal" style="fill:inherit"/>)"
        R"(<rect id="own" stroke="blue"/></g></svg>)"));
    EXPECT_EQ(styleOf(document, "plain", "fill"), "red");
    EXPECT_EQ(styleOf(document, "plain", "display"), "none");
    EXPECT_EQ(styleOf(document, "plain", "opacity"), "0.5");
    EXPECT_EQ(styleOf(document, "plain", "inherit-me"), "x");
    EXPECT_EQ(styleOf(document, "literal", "fill"), "inherit");
    EXPECT_EQ(styleOf(document, "own", "stroke"), "blue");
    EXPECT_EQ(document.contextOf("group").properties().value(u"opacity"), "0.3");
    EXPECT_FALSE(document.contextOf("plain").properties().contains(u"opacity"));
    EXPECT_FALSE(document.contextOf("group").properties().contains(u"fill"));
}

TEST(StyleCascade, ResolvesFillCurrentColorOnlyAgainstTheElementsOwnColor) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><rect id="same" color="blue" fill="currentColor"/>)"
        R"(<g color="green"><rect id="child" fill="currentColor" stroke="currentColor"/></g></svg>)"));
    EXPECT_EQ(styleOf(document, "same", "fill"), "blue");
    EXPECT_EQ(styleOf(document, "child", "fill"), "currentColor");
    EXPECT_EQ(styleOf(document, "child", "stroke"), "currentColor");
    EXPECT_EQ(styleOf(document, "child", "color"), "green");
}

TEST(StyleCascade, StyleAttributeRemovesOnlySpacesAndSplitsDeclarations) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><rect id="t" style="fill : red ; font-family: Open Sans;broken;a:b:c;;stroke:blue"/></svg>)"));
    const SVGNodeContext context = document.contextOf("t");
    EXPECT_EQ(context.styles().value(u"fill"), "red");
    EXPECT_EQ(context.styles().value(u"font-family"), "OpenSans");
    EXPECT_EQ(context.styles().value(u"stroke"), "blue");
    EXPECT_FALSE(context.styles().contains(u"a"));
    EXPECT_FALSE(context.styles().contains(u"broken"));
}

TEST(StyleCascade, NestedViewportNarrowsTheScreenOfItsDescendantsOnly) {
    const ParsedDocument document(
        QStringLiteral(R"(<svg><svg id="inner" viewBox="0 0 10 20"><rect id="inside"/></svg>)"
                       R"(<rect id="beside"/></svg>)"),
        SVGScreen{96, 300, 400});
    EXPECT_EQ(document.contextOf("inside").root().screen.width, 10);
    EXPECT_EQ(document.contextOf("inside").root().screen.height, 20);
    EXPECT_EQ(document.contextOf("beside").root().screen.width, 300);
    EXPECT_EQ(document.contextOf("beside").root().screen.height, 400);
}

TEST(StyleCascade, RefusesAUseThatClosesAReferenceCycle) {
    const ParsedDocument document(QStringLiteral(
        R"(<svg><g id="a"><use id="u" xlink:href="#b"/></g><g id="b"><use xlink:href="#a"/></g></svg>)"));
    const SVGNodeContext useContext = document.contextOf("u");
    EXPECT_EQ(useContext.useIds(), QStringList({"b"}));
    const XMLElement& targetB = *document.index().element("b");
    const std::optional<SVGNodeContext> bContext = useContext.create(targetB);
    ASSERT_TRUE(bContext);
    const XMLElement& useOfA = *targetB.contents.front()->asElement();
    const std::optional<SVGNodeContext> secondUse = bContext->create(useOfA);
    ASSERT_TRUE(secondUse);
    EXPECT_EQ(secondUse->useIds(), QStringList({"b", "a"}));
    const std::optional<SVGNodeContext> aContext =
        secondUse->create(*document.index().element("a"));
    ASSERT_TRUE(aContext);

    CapturedOutput output;
    EXPECT_FALSE(aContext->create(*document.index().element("u")));
    EXPECT_EQ(output.lines(), QStringList({"<use> recursion detected!"}));
}

} // namespace
