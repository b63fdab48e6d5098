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

// The markup in UTF-16 with its byte-order mark.
QByteArray inUtf16(const QByteArray& markup) {
    const QString text = QString::fromUtf8(markup);
    return QByteArray("\xff\xfe", 2) +
           QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

TEST(MarkupReader, ReadsEachDocumentAsIfNoneCameBefore) {
    // GIVEN documents read one after another on the same thread: one that declares an entity,
    // one that uses it without declaring it, one cut off inside an element, one in UTF-16, and a
    // plain one
    const QByteArray documents[] = {
        R"(<!DOCTYPE svg [<!ENTITY colour "red">]><svg fill="&colour;"><g/></svg>)",
        R"(<svg fill="&colour;"><g/></svg>)", "<svg><g fill=\"bl",
        inUtf16("<svg fill=\"\u00e9\"/>"), "<svg fill=\"blue\"/>"};
    CapturedOutput output;
    QStringList fills;
    for (const QByteArray& bytes : documents) {
        const auto root = DOMParser::parseData(bytes, *SVGLogger::console());
        fills.append(root ? root->attributes.value(u"fill").value_or(QStringLiteral("<none>")) +
                                contentSummary(*root).join("")
                          : QStringLiteral("<no root>"));
    }
    const QStringList lines = output.lines();
    // THEN the entity is known in its own document only, and every later document reads whole
    EXPECT_EQ(fills,
              QStringList({"red<g>", "<no root>", "<none>", QStringLiteral("\u00e9"), "blue"}));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains(u"colour")) << lines[0].toStdString();
}

// A document whose text is entity e0, each entity holding a reference to the next, `links` of
// them, the last one "end".
QByteArray entityChain(int links) {
    QByteArray chain = "<!DOCTYPE svg [";
    for (int level = 0; level < links; ++level) {
        chain += "<!ENTITY e" + QByteArray::number(level) + " \"&e" +
                 QByteArray::number(level + 1) + ";\">";
    }
    return chain + "<!ENTITY e" + QByteArray::number(links) + " \"end\">]><svg>&e0;</svg>";
}

TEST(MarkupReader, ExpandsEntitiesNestedAsDeepAsAllowed) {
    const auto root =
        DOMParser::parseData(entityChain(DOMParser::maximumEntityNesting), *SVGLogger::console());
    ASSERT_TRUE(root);
    EXPECT_EQ(contentSummary(*root).join(""), "\"end\"");
}

// Entities are expanded by the stream reader, which bounds each reference but not their sum and
// expands parameter entities before it reports the declaration. Whatever could grow past the
// budget is refused at once, with one line, keeping what was read before (nothing, as the
// declaration precedes the root).
TEST(MarkupReader, RefusesEntitiesThatCouldGrowPastTheBudgetBeforeAnyExpansion) {
    const QByteArray parameterEntities = R"(<!DOCTYPE svg [<!ENTITY % d "<!ENTITY a 'aaaa'>">)" +
                                         QByteArray("%d;").repeated(1000) + "]><svg/>";
    const QByteArray chain = entityChain(DOMParser::maximumEntityNesting + 1);
    const QString overBudget = QStringLiteral("The document's entities would add more than %1 "
                                              "characters.")
                                   .arg(DOMParser::maximumEntityExpansion);
    // Each entity ten times the one before: three billion characters.
    const QByteArray billionLaughs = R"(<!DOCTYPE svg [
        <!ENTITY a "lol">
        <!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">
        <!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">
        <!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;">
        <!ENTITY e "&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;">
        <!ENTITY f "&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;">
        <!ENTITY g "&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;">
        <!ENTITY h "&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;">
        <!ENTITY i "&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;">
        <!ENTITY j "&i;&i;&i;&i;&i;&i;&i;&i;&i;&i;">
    ]><svg><text>&j;</text></svg>)";
    const QString parameters = QStringLiteral("The document declares parameter entities.");
    const std::tuple<const char*, QByteArray, QString> cases[] = {
        {"a billion laughs", billionLaughs, overBudget},
        // Just over the budget, so that a reader without the guard reads it whole at once
        // instead of spending a while on a billion characters.
        {"many references to a large entity",
         "<!DOCTYPE svg [<!ENTITY a \"" + QByteArray(4000, 'a') + "\">]><svg><text>" +
             QByteArray("&a;").repeated(DOMParser::maximumEntityExpansion / 4000 + 1) +
             "</text></svg>",
         overBudget},
        {"a chain too deep", chain,
         QStringLiteral("Entities are nested deeper than %1 levels.")
             .arg(DOMParser::maximumEntityNesting)},
        {"an entity within itself", R"(<!DOCTYPE svg [<!ENTITY a "x&a;">]><svg>&a;</svg>)",
         QStringLiteral("The entity “a” refers to itself.")},
        {"parameter entities", parameterEntities, parameters},
        {"parameter entities in UTF-16", inUtf16(parameterEntities), parameters},
        // "+ACU-" is "%" in UTF-7.
        {"a parameter entity in UTF-7",
         R"(<?xml version="1.0" encoding="UTF-7"?><!DOCTYPE svg [<!ENTITY +ACU- d "x">]><svg/>)",
         parameters},
    };
    for (const auto& [name, markup, message] : cases) {
        SCOPED_TRACE(name);
        CapturedOutput output;
        EXPECT_FALSE(DOMParser::parseData(markup, *SVGLogger::console()));
        const QStringList lines = output.lines();
        EXPECT_EQ(lines.size(), 1);
        EXPECT_TRUE(lines.value(0).endsWith(message)) << lines.value(0).toStdString();
    }
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
