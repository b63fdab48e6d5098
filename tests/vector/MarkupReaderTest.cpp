#include "ParseTestSupport.h"
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

} // namespace
