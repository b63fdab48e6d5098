// Each document under data/golden is drawn by the svgrender tool at 100 by 100 and compared with
// the PNG beside it, as every golden is (MARLOX_RENEW_GOLDENS=1 renews them). The PNGs were checked
// by eye; the probes below pin what each must show, so that a wrong expectation cannot slip in
// with a new PNG.
#include "VectorTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace marlox::vector::testing;
using marlox::testing::matchesGolden;

namespace {

constexpr int goldenSize = 100;

const QString goldenFolder = QStringLiteral(MARLOX_TEST_DATA_DIR "/golden");

struct ToolRun {
    int exitCode = -1;
    QString errors;
};

ToolRun svgrender(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(MARLOX_SVGRENDER_PATH), arguments);
    if (!process.waitForFinished(30'000)) {
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

QImage rendered(const QString& document, const QTemporaryDir& scratch, int size = goldenSize) {
    const QString output = scratch.filePath(QFileInfo(document).completeBaseName() + ".png");
    const ToolRun run = svgrender({document, output, QString::number(size)});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    return QImage(output).convertToFormat(QImage::Format_ARGB32);
}

struct Golden {
    const char* name;
    QList<Probe> probes;
};

const QList<Golden>& goldens() {
    // One or two probes per feature each document shows.
    const QList<Probe> shapes = {{25, 17, 0xFFDC143C}, {50, 50, clear}};
    const QList<Probe> strokes = {{7, 25, 0xFF000000}, {9, 10, clear}};
    const QList<Probe> gradients = {
        {6, 20, red, 12}, {44, 20, blue, 12}, {55, 20, red, 12}, {94, 20, blue, 12}};
    const QList<Probe> transforms = {{40, 20, red}, {70, 7, blue}};
    // Where the group's two rectangles overlap, the upper one alone shows at the group's opacity.
    const QList<Probe> structure = {
        {40, 15, 0x80008080, 4}, {15, 40, 0x80FF0000, 4}, {35, 50, 0x800000FF, 4}};
    const QList<Probe> clipping = {{25, 25, 0xFF000080}, {47, 25, clear}};
    const QList<Probe> text = {{5, 5, clear}, {50, 10, 0x80C0C0C0, 6}};
    const QList<Probe> aspectRatio = {{50, 25, clear}, {2, 52, 0xFFADD8E6}, {25, 75, 0xFF191970}};
    const QList<Probe> colors = {{17, 17, red}, {50, 50, 0x80000000, 4}};
    const QList<Probe> images = {{15, 20, red, 8}, {60, 15, clear}};
    static const QList<Golden> list = {{"shapes", shapes},       {"strokes", strokes},
                                       {"gradients", gradients}, {"transforms", transforms},
                                       {"structure", structure}, {"clipping", clipping},
                                       {"text", text},           {"aspect-ratio", aspectRatio},
                                       {"colors", colors},       {"images", images}};
    return list;
}

} // namespace

TEST(GoldenImageTest, EachDocumentInTheFolderDrawsAsItsCheckedImageAndShowsItsProbes) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    QStringList named;
    for (const Golden& golden : goldens()) {
        SCOPED_TRACE(golden.name);
        named.append(QString::fromLatin1(golden.name) + ".svg");
        const QImage image = rendered(goldenFolder + "/" + named.constLast(), scratch);
        ASSERT_EQ(image.size(), QSize(goldenSize, goldenSize));
        expectProbes(image, golden.probes);
        EXPECT_TRUE(matchesGolden(image, goldenFolder + "/" + golden.name + ".png"));
    }
    named.sort();
    EXPECT_EQ(QDir(goldenFolder).entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name),
              named);
}

TEST(SvgRenderToolTest, RefusesBadArgumentsAndUnreadableInputWithoutWritingAnything) {
    QTemporaryDir scratch;
    const QString output = scratch.filePath(QStringLiteral("out.png"));
    const QString document = goldenFolder + "/shapes.svg";
    struct Case {
        const char* name;
        QStringList arguments;
        int exitCode;
    };
    const Case cases[] = {
        {"too few arguments", {document, output}, 2},
        {"size zero", {document, output, QStringLiteral("0")}, 2},
        {"missing input", {scratch.filePath(QStringLiteral("missing.svg")), output, "10"}, 1},
        {"output folder missing",
         {document, scratch.filePath(QStringLiteral("no/such/out.png")), QStringLiteral("10")},
         1},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const ToolRun run = svgrender(testCase.arguments);
        EXPECT_EQ(run.exitCode, testCase.exitCode);
        EXPECT_TRUE(run.errors.startsWith(QStringLiteral("svgrender: "))) << qPrintable(run.errors);
        EXPECT_FALSE(QFile::exists(output));
    }
}
