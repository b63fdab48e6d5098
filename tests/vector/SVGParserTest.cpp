#include "vector/SVGParser.h"

#include "ParseTestSupport.h"
#include "VectorTestSupport.h"
#include "support/ScratchHome.h"
#include "vector/SVGGroup.h"
#include "vector/SVGImage.h"
#include "vector/SVGShapes.h"

#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

QString dataPath(const char* name) {
    return QStringLiteral(MARLOX_TEST_DATA_DIR "/") + QString::fromUtf8(name);
}

int countNodes(const SVGNode& node) {
    int count = 1;
    if (const auto* group = dynamic_cast<const SVGGroup*>(&node)) {
        for (const auto& child : group->contents()) {
            count += countNodes(*child);
        }
    }
    return count;
}

TEST(DocumentParse, TypicalLineIconGivesTheExpectedTree) {
    // GIVEN a 24x24 line icon as the icon view hands it over, tinted
    CapturedOutput output;
    const auto viewport = std::dynamic_pointer_cast<SVGViewport>(
        SVGParser::parseContentsOf(QUrl::fromLocalFile(dataPath("line-icon.svg"))));
    // THEN the root is a 24-pixel viewport
    ASSERT_TRUE(viewport);
    EXPECT_EQ(nodeText(*viewport), "Viewport 0 0 24 24");
    // AND its five shapes come in document order with the inherited outline and no fill
    const QString outline = " fill none stroke 1a2b3c width 1.85 cap 1 join 1";
    QStringList shapes;
    for (const auto& node : viewport->contents()) {
        shapes.append(nodeText(*node));
    }
    EXPECT_EQ(shapes, QStringList({"Path 3 3 18 19" + outline, "Polyline 9 12 6 10" + outline,
                                   "Circle 11 6 2 2" + outline, "Rect 4 4 4 4" + outline,
                                   "Line 2 22 20 0" + outline}));
    EXPECT_TRUE(output.lines().isEmpty());
}

TEST(DocumentParse, GivesNothingForTextThatHoldsNoSupportedRoot) {
    for (const char* markup : {"", "not markup at all", "<html><rect/></html>",
                               "<svg:svg><rect/></svg:svg>", "<SVG><rect/></SVG>"}) {
        CapturedOutput output;
        EXPECT_FALSE(SVGParser::parseString(QString::fromUtf8(markup))) << markup;
    }
    EXPECT_FALSE(SVGParser::parseXML(nullptr));
}

TEST(DocumentParse, MeasuresPercentagesAgainstTheRootViewBoxOrAHundredSquare) {
    const std::pair<const char*, double> cases[] = {
        {R"(<svg viewBox="0 0 24 24"><rect width="50%"/></svg>)", 12},
        {R"(<svg width="400"><rect width="50%"/></svg>)", 50},
        {R"(<g viewBox="0 0 24 24"><rect width="50%"/></g>)", 50},
        {R"(<svg viewBox="0 0 24 24"><svg viewBox="0 0 10 10"><rect width="50%"/></svg></svg>)",
         5}};
    for (const auto& [markup, width] : cases) {
        auto group = parseRoot(QString::fromUtf8(markup));
        ASSERT_TRUE(group) << markup;
        while (group->contents().front()->kind() != SVGNodeKind::rect) {
            group = std::static_pointer_cast<SVGGroup>(group->contents().front());
        }
        EXPECT_EQ(std::static_pointer_cast<SVGRect>(group->contents().front())->width(), width)
            << markup;
    }
}

TEST(DocumentParse, UseReachesIdsLeftOutOfTheTreeAndKeepsItsTargetsTransformAndOpacity) {
    // GIVEN a target with its own transform and opacity, used with a position and a transform,
    // next to uses of what does not exist and by a plain href, which are left out
    const auto root = parseRoot(
        R"~(<svg><defs><rect id="t" width="1" height="1" transform="scale(2)" opacity="0.5"/></defs>)~"
        R"~(<unknown><rect/></unknown><use xlink:href="#nowhere"/>)~"
        R"~(<use xlink:href="#t" x="10" y="5" transform="rotate(90)" opacity="0.5"/>)~"
        R"(<use href="#t"/><use id="u" xlink:href="#t"/></svg>)");
    ASSERT_TRUE(root);
    ASSERT_EQ(root->contents().size(), 2);
    // THEN a point is scaled by the target, moved by x/y, then rotated by the use
    EXPECT_EQ(nodeText(*root->contents()[0]),
              "Rect 0 0 1 1 opacity 0.25 transform 0 2 -2 0 -5 10 fill 0 stroke none");
    EXPECT_EQ(nodeText(*root->contents()[1]),
              "Rect 0 0 1 1 #u opacity 0.5 transform 2 0 0 2 0 0 fill 0 stroke none");
}

TEST(DocumentParse, ReportsEveryClosedUseCycleAndGoesOn) {
    const std::tuple<const char*, int, int> cases[] = {
        {R"(<svg><use id="u" xlink:href="#u"/><rect/></svg>)", 1, 1},
        {R"(<svg><g id="a"><use xlink:href="#b"/></g><g id="b"><use xlink:href="#a"/></g></svg>)",
         2, 2}};
    for (const auto& [markup, lines, nodes] : cases) {
        CapturedOutput output;
        const auto root = parseRoot(markup);
        EXPECT_EQ(output.lines(), QStringList(lines, "<use> recursion detected!")) << markup;
        ASSERT_TRUE(root);
        EXPECT_EQ(root->contents().size(), nodes) << markup;
    }
}

TEST(DocumentParse, ClipOfAClipPathElementOrAMissingOneOrLeadingBackToItselfIsNoClip) {
    // Clip units are pinned by the golden clipping document; a cycle writes one line each.
    const std::pair<const char*, int> cases[] = {
        {R"~(<rect clip-path="url(#cp)"/><clipPath id="cp"><rect/></clipPath>)~", 0},
        {R"~(<rect clip-path="url(#missing)"/>)~", 0},
        {R"~(<rect id="a" clip-path="url(#a)"/>)~", 1},
        {R"~(<g id="g"><rect clip-path="url(#g)"/></g>)~", 1},
        {R"~(<rect id="a" clip-path="url(#b)"/><rect id="b" clip-path="url(#a)"/>)~", 2},
        {R"~(<rect id="a" clip-path="url(#g)"/><g id="g"><circle clip-path="url(#a)"/></g>)~", 2}};
    for (const auto& [body, lines] : cases) {
        CapturedOutput output;
        const auto root = parseRoot(QStringLiteral("<svg>%1</svg>").arg(QString::fromUtf8(body)));
        EXPECT_EQ(output.lines().size(), lines) << body;
        ASSERT_TRUE(root && !root->contents().isEmpty()) << body;
        EXPECT_FALSE(root->contents().front()->clip()) << body;
    }
    // A clip whose own content is clipped by a cycle elsewhere still clips.
    CapturedOutput output;
    const auto root = parseRoot(
        R"~(<svg><rect clip-path="url(#c)"/><g id="c"><rect id="d" clip-path="url(#c)"/></g></svg>)~");
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->contents().front()->clip());
}

TEST(DocumentParse, UseFanOutAndDeepReferenceChainsEndWithAPartialTreeAndOneLine) {
    // GIVEN ten uses of a group, nested ten deep: 10^10 nodes if nothing stopped it
    QString defs = QStringLiteral(R"(<g id="g0"><rect/></g>)");
    for (int level = 1; level <= 10; ++level) {
        defs += QStringLiteral(R"(<g id="g%1">%2</g>)")
                    .arg(level)
                    .arg(QStringLiteral(R"(<use xlink:href="#g%1"/>)").arg(level - 1).repeated(10));
    }
    CapturedOutput output;
    const auto root = parseRoot(
        QStringLiteral(R"(<svg><defs>%1</defs><use xlink:href="#g10"/><circle/></svg>)").arg(defs));
    const QStringList lines = output.lines();
    // THEN the parse ends with a bounded tree, the rest of the document kept
    ASSERT_TRUE(root);
    ASSERT_EQ(root->contents().size(), 2);
    EXPECT_EQ(root->contents()[1]->kind(), SVGNodeKind::circle);
    EXPECT_LE(countNodes(*root), SVGParseGuards::maximumReferencedNodes + 3);
    EXPECT_GT(countNodes(*root), 1000);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.front().startsWith("SVG parsing error."));

    QString chain;
    const int links = SVGParseGuards::maximumDepth;
    for (int link = 0; link < links; ++link) {
        chain +=
            QStringLiteral(R"(<g id="l%1"><use xlink:href="#l%2"/></g>)").arg(link).arg(link + 1);
    }
    CapturedOutput chainOutput;
    const auto chained = parseRoot(
        QStringLiteral(R"(<svg><defs>%1<rect id="l%2"/></defs><use xlink:href="#l0"/></svg>)")
            .arg(chain)
            .arg(links));
    EXPECT_EQ(chainOutput.lines().size(), 1);
    ASSERT_TRUE(chained);
    EXPECT_EQ(chained->contents().size(), 1);
}

TEST(DocumentParse, ClipsNamingTheElementsOwnChildCountAgainstTheReferenceBudget) {
    // GIVEN sixty groups, each nested in the one before and clipped by the next: each level
    // parses its child twice, as content and as clip
    QString markup = QStringLiteral(R"(<rect id="c60"/>)");
    for (int level = 59; level >= 0; --level) {
        markup = QStringLiteral(R"~(<g id="c%1" clip-path="url(#c%2)">%3</g>)~")
                     .arg(level)
                     .arg(level + 1)
                     .arg(markup);
    }
    CapturedOutput output;
    const auto root = parseRoot(QStringLiteral("<svg>%1</svg>").arg(markup));
    const QStringList lines = output.lines();
    // THEN the parse ends, without going through 2^60 clips, with the whole tree and one line
    // once the budget is spent
    ASSERT_TRUE(root);
    EXPECT_EQ(countNodes(*root), 62);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.front().startsWith("SVG parsing error. References"))
        << qPrintable(lines.front());
}

TEST(DocumentParse, TreeBuiltInCodeDeeperThanTheReaderAllowsIsIndexedWholeParsedToTheGuard) {
    // GIVEN a use of the innermost of groups nested 200,000 deep, built in code, deeper than a
    // walk or a destruction on the stack could go
    auto root = std::make_unique<XMLElement>(QStringLiteral("svg"), XMLAttributes());
    root->appendElement(std::make_unique<XMLElement>(
        QStringLiteral("use"), XMLAttributes{{QStringLiteral("xlink:href"), "#bottom"}}));
    XMLElement* innermost = root.get();
    for (int level = 0; level < 200'000; ++level) {
        innermost = &innermost->appendElement(
            std::make_unique<XMLElement>(QStringLiteral("g"), XMLAttributes()));
    }
    innermost->attributes.insert(QStringLiteral("id"), QStringLiteral("bottom"));
    // WHEN it is parsed
    CapturedOutput output;
    const auto parsed = std::dynamic_pointer_cast<SVGGroup>(SVGParser::parseXML(root.get()));
    const QStringList lines = output.lines();
    // THEN the use finds the innermost group, and the nesting stops at the guard with one line
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->contents().size(), 2);
    EXPECT_EQ(parsed->contents()[0]->kind(), SVGNodeKind::group);
    EXPECT_EQ(countNodes(*parsed->contents()[1]), SVGParseGuards::maximumDepth);
    EXPECT_EQ(lines.size(), 1);
    // AND the element tree goes without exhausting the stack
    root.reset();
}

TEST(DocumentParse, EveryTestDocumentAndEveryFuzzFindingParsesToABoundedTree) {
    // GIVEN every document of the tests, and every input the fuzz runs found, whatever its name
    // (libFuzzer writes them without an extension)
    const QString findingsFolder = dataPath("fuzz-found");
    QStringList documents;
    QDirIterator svgFiles(QStringLiteral(MARLOX_TEST_DATA_DIR), {QStringLiteral("*.svg")},
                          QDir::Files, QDirIterator::Subdirectories);
    while (svgFiles.hasNext()) {
        const QString path = svgFiles.next();
        if (!path.startsWith(findingsFolder + u'/')) {
            documents.append(path);
        }
    }
    QStringList findings;
    for (const QString& name : QDir(findingsFolder).entryList(QDir::Files | QDir::Hidden)) {
        findings.append(findingsFolder + u'/' + name);
    }
    EXPECT_GE(documents.size(), 7);
    for (const QString& path : documents + findings) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = file.readAll();
        CapturedOutput output;
        const auto root = SVGParser::parseData(bytes);
        // THEN each ends with a tree no larger than its elements and the reference budget allow
        if (!findings.contains(path)) {
            ASSERT_TRUE(std::dynamic_pointer_cast<SVGViewport>(root)) << path.toStdString();
        }
        if (root) {
            EXPECT_LE(countNodes(*root), bytes.count('<') + SVGParseGuards::maximumReferencedNodes)
                << path.toStdString();
        }
    }
}

class DocumentFileTest : public marlox::testing::ScratchHomeTest {};

TEST_F(DocumentFileTest, ResolvesImagesAgainstTheMarkupFilesFolderOnly) {
    const QByteArray bytes("image bytes");
    marlox::testing::writeFile(home.filePath("art/pic.png"), bytes);
    const QByteArray markup(R"(<svg><image xlink:href="pic.png" width="2"/></svg>)");
    marlox::testing::writeFile(home.filePath("art/doc.svg"), markup);
    const auto imageOf = [](const std::shared_ptr<SVGNode>& root) {
        const auto group = std::dynamic_pointer_cast<SVGGroup>(root);
        return group ? std::dynamic_pointer_cast<SVGURLImage>(group->contents().front()) : nullptr;
    };
    const auto linked =
        imageOf(SVGParser::parseContentsOf(QUrl::fromLocalFile(home.filePath("art/doc.svg"))));
    ASSERT_TRUE(linked);
    EXPECT_EQ(linked->src(), "pic.png");
    EXPECT_EQ(linked->data(), bytes);

    CapturedOutput output;
    const auto unlinked = imageOf(SVGParser::parseData(markup));
    ASSERT_TRUE(unlinked);
    EXPECT_FALSE(unlinked->data());
    EXPECT_EQ(output.lines(), QStringList({"Couldn't find image `pic.png`"}));

    // A missing markup file gives nothing, quietly.
    CapturedOutput quiet;
    EXPECT_FALSE(SVGParser::parseFileURL(QUrl::fromLocalFile(home.filePath("missing.svg"))));
    EXPECT_TRUE(quiet.lines().isEmpty());
}

} // namespace
