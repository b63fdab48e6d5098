#include "vector/XMLElement.h"

#include "ParseTestSupport.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using namespace marlox::vector::testing;

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
         element = element->contents.front()->asElement()) {
        ++depth;
    }
    EXPECT_EQ(depth, DOMParser::maximumDepth);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.front().contains(QString::number(DOMParser::maximumDepth)));
}

TEST(MarkupReader, ReadsEachDocumentAsIfNoneCameBefore) {
    // GIVEN documents read one after another on the same thread: one that declares an entity
    // (refused), one that uses it, one cut off inside an element, one in UTF-16, and a plain one
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
    // THEN the entity is known in no document, and every later document reads whole
    EXPECT_EQ(fills,
              QStringList({"<no root>", "<no root>", "<none>", QStringLiteral("\u00e9"), "blue"}));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].contains(u"colour")) << lines[1].toStdString();
}

// A megabyte of references to an entity of a few kilobytes would expand to gigabytes: the reader
// bounds each expansion but not their sum. A declaration of entities is refused at once, with one
// line, keeping what was read before it (nothing, as the declaration precedes the root); a type
// declaration without entities is read as before.
TEST(MarkupReader, RefusesEntityDeclarationsWithOneLineBeforeAnyExpansion) {
    const QByteArray entity(4000, 'a');
    const QByteArray references = QByteArray("&a;").repeated(300000);
    const QByteArray hostile =
        "<!DOCTYPE svg [<!ENTITY a \"" + entity + "\">]><svg><text>" + references + "</text></svg>";
    CapturedOutput output;
    EXPECT_FALSE(DOMParser::parseData(hostile, *SVGLogger::console()));
    const QStringList lines = output.lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.front().endsWith(u"The document declares entities."))
        << lines.front().toStdString();

    CapturedOutput plain;
    const auto root = DOMParser::parseData(
        R"(<!DOCTYPE svg PUBLIC "-//W3C//DTD SVG 1.1//EN" "svg11.dtd"><svg><g/></svg>)",
        *SVGLogger::console());
    ASSERT_TRUE(root);
    EXPECT_EQ(contentSummary(*root), QStringList({"<g>"}));
    EXPECT_TRUE(plain.lines().isEmpty());
}

TEST(MarkupReader, GivesNoRootForAbsentOrUnencodableText) {
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
