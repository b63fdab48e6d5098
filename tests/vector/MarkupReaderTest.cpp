#include "ParseTestSupport.h"
#include "support/ScratchHome.h"
#include "vector/XMLElement.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace marlox::vector;
using marlox::vector::testing::CapturedOutput;
using marlox::vector::testing::readMarkup;

namespace {

QStringList contentSummary(const XMLElement& element) {
    QStringList summary;
    for (const auto& item : element.contents) {
        if (const XMLElement* child = item->asElement()) {
            summary.append(QStringLiteral("<%1>").arg(child->name));
        } else if (const XMLText* text = item->asText()) {
            summary.append(QStringLiteral("\"%1\"").arg(text->text));
        }
    }
    return summary;
}

TEST(MarkupReader, KeepsTextRunsAndElementsInDocumentOrder) {
    // GIVEN a group holding a space, an empty rect and another space
    CapturedOutput output;
    const auto root = readMarkup(QStringLiteral("<svg><g> <rect/> </g></svg>"));
    // THEN the group's contents are the three items, whitespace as delivered
    ASSERT_TRUE(root);
    const XMLElement* group = root->contents.front()->asElement();
    ASSERT_TRUE(group);
    EXPECT_EQ(contentSummary(*group), QStringList({"\" \"", "<rect>", "\" \""}));
    EXPECT_EQ(group->parent(), root.get());
    EXPECT_TRUE(output.lines().isEmpty());
}

TEST(MarkupReader, JoinsCharacterDataAroundEntitiesCommentsAndInstructions) {
    struct Case {
        const char* markup;
        const char* text;
    };
    const Case cases[] = {
        {"<text>Salt &amp; pepper</text>", "Salt & pepper"},
        {"<text>a<!-- note -->b<?tool run?>c</text>", "abc"},
        {"<text>one<![CDATA[ dropped ]]>two</text>", "onetwo"},
        {"<text>&#65;&lt;&#x42;</text>", "A<B"},
    };
    for (const Case& c : cases) {
        const auto root = readMarkup(QString::fromUtf8(c.markup));
        ASSERT_TRUE(root) << c.markup;
        ASSERT_EQ(root->contents.size(), 1u) << c.markup;
        const XMLText* run = root->contents.front()->asText();
        ASSERT_TRUE(run) << c.markup;
        EXPECT_EQ(run->text, QString::fromUtf8(c.text)) << c.markup;
    }
}

TEST(MarkupReader, KeepsQualifiedNamesAndResolvedAttributeValues) {
    // GIVEN prefixed names without any namespace declaration
    const auto root = readMarkup(
        QStringLiteral(R"(<svg:svg><use xlink:href="#a" title="x &lt; y" Fill="red"/></svg:svg>)"));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->name, "svg:svg");
    const XMLElement* use = root->contents.front()->asElement();
    ASSERT_TRUE(use);
    EXPECT_EQ(use->attributes.value(u"xlink:href"), QString("#a"));
    EXPECT_EQ(use->attributes.value(u"title"), QString("x < y"));
    EXPECT_EQ(use->attributes.value(u"Fill"), QString("red"));
    EXPECT_FALSE(use->attributes.contains(u"fill"));
}

TEST(MarkupReader, KeepsTheTreeReadBeforeAnErrorAndWritesOneLine) {
    const char* broken[] = {
        R"(<svg><rect id="a"/><g><circle/>)",
        R"(<svg><rect id="a"/><g><circle/></g> & </svg>)",
    };
    for (const char* markup : broken) {
        CapturedOutput output;
        const auto root = readMarkup(QString::fromUtf8(markup));
        const QStringList lines = output.lines();
        ASSERT_TRUE(root) << markup;
        EXPECT_EQ(lines.size(), 1) << markup;
        ASSERT_GE(root->contents.size(), 2u) << markup;
        EXPECT_EQ(root->contents[0]->asElement()->attributes.value(u"id"), QString("a"));
        EXPECT_EQ(root->contents[1]->asElement()->name, "g");
    }
}

TEST(MarkupReader, ReadsEachDocumentAsIfNoneCameBefore) {
    // GIVEN documents read one after another on the same thread: one that declares an entity,
    // one cut off inside an element, one in UTF-16, and a plain one
    const QByteArray declaring =
        R"(<!DOCTYPE svg [<!ENTITY colour "red">]><svg fill="&colour;"><g/></svg>)";
    const QByteArray usingUndeclared = R"(<svg fill="&colour;"><g/></svg>)";
    const QByteArray cutOff = "<svg><g fill=\"bl";
    const QString wide = QStringLiteral("<svg fill=\"\u00e9\"/>");
    const QByteArray utf16 =
        QByteArray("\xff\xfe", 2) + QByteArray(reinterpret_cast<const char*>(wide.utf16()),
                                               static_cast<qsizetype>(wide.size() * 2));
    const QByteArray plain = "<svg fill=\"blue\"/>";
    CapturedOutput output;
    const auto first = DOMParser::parseData(declaring, *SVGLogger::console());
    const auto second = DOMParser::parseData(usingUndeclared, *SVGLogger::console());
    const auto third = DOMParser::parseData(cutOff, *SVGLogger::console());
    const auto fourth = DOMParser::parseData(utf16, *SVGLogger::console());
    const auto fifth = DOMParser::parseData(plain, *SVGLogger::console());
    const QStringList lines = output.lines();
    // THEN the entity resolves in its own document only, and every later document reads whole
    ASSERT_TRUE(first);
    EXPECT_EQ(first->attributes.value(u"fill"), QString("red"));
    EXPECT_FALSE(second);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains(u"colour")) << lines[0].toStdString();
    ASSERT_TRUE(third);
    EXPECT_TRUE(third->contents.empty());
    ASSERT_TRUE(fourth);
    EXPECT_EQ(fourth->attributes.value(u"fill"), QStringLiteral("\u00e9"));
    ASSERT_TRUE(fifth);
    EXPECT_EQ(fifth->attributes.value(u"fill"), QString("blue"));
}

TEST(MarkupReader, GivesNoRootForEmptyOrNonXMLText) {
    {
        CapturedOutput output;
        EXPECT_FALSE(readMarkup(QString()));
        EXPECT_TRUE(output.lines().isEmpty());
    }
    {
        CapturedOutput output;
        EXPECT_FALSE(readMarkup(QStringLiteral("just words")));
        EXPECT_EQ(output.lines().size(), 1);
    }
}

TEST(MarkupReader, TreatsNestingBeyondTheDepthCapAsAnErrorThatKeepsTheTree) {
    // GIVEN elements nested one level deeper than the cap
    const int levels = DOMParser::maximumDepth + 1;
    QString markup;
    for (int level = 0; level < levels; ++level) {
        markup += QStringLiteral("<g>");
    }
    for (int level = 0; level < levels; ++level) {
        markup += QStringLiteral("</g>");
    }
    CapturedOutput output;
    const auto root = readMarkup(markup);
    const QStringList lines = output.lines();
    // THEN the tree holds exactly the allowed depth and one error line is written
    ASSERT_TRUE(root);
    int depth = 1;
    for (const XMLElement* element = root.get(); !element->contents.empty();
         element = element->contents.front()->asElement()) {
        ++depth;
    }
    EXPECT_EQ(depth, DOMParser::maximumDepth);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.front().contains(QString::number(DOMParser::maximumDepth)));
}

TEST(MarkupReader, GivesNoRootForTextThatCannotBeEncoded) {
    EXPECT_FALSE(
        DOMParser::parseString(std::nullopt, QStringConverter::Utf8, *SVGLogger::console()));
    EXPECT_FALSE(DOMParser::parseString(QStringLiteral("<svg>\u4e2d</svg>"),
                                        QStringConverter::Latin1, *SVGLogger::console()));
    const auto root = DOMParser::parseString(QStringLiteral("<svg>\u00e9</svg>"),
                                             QStringConverter::Utf8, *SVGLogger::console());
    ASSERT_TRUE(root);
    EXPECT_EQ(root->contents.front()->asText()->text, QStringLiteral("\u00e9"));
}

class MarkupFileTest : public marlox::testing::ScratchHomeTest {};

TEST_F(MarkupFileTest, ReadsFilesAndStreamsAndGivesNothingForMissingOnes) {
    const QString path = home.filePath("icon.svg");
    marlox::testing::writeFile(path, "<svg><path d='M0 0'/></svg>");
    const auto fromFile =
        DOMParser::parseContentsOf(QUrl::fromLocalFile(path), *SVGLogger::console());
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(contentSummary(*fromFile), QStringList({"<path>"}));

    QByteArray bytes("<g><rect/></g>");
    QBuffer stream(&bytes);
    const auto fromStream = DOMParser::parseStream(&stream, *SVGLogger::console());
    ASSERT_TRUE(fromStream);
    EXPECT_EQ(fromStream->name, "g");

    CapturedOutput output;
    EXPECT_FALSE(DOMParser::parseContentsOf(QUrl::fromLocalFile(home.filePath("missing.svg")),
                                            *SVGLogger::console()));
    EXPECT_TRUE(output.lines().isEmpty());
}

} // namespace
