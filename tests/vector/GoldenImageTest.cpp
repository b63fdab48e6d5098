// Each document under data/golden is drawn by the svgrender tool at 100 by 100 and compared with
// the PNG beside it. The PNGs were made by the same tool after checking them by eye; the probes
// below pin what each must show, so that a wrong expectation cannot slip in with a new PNG.
// To renew one: svgrender data/golden/NAME.svg data/golden/NAME.png 100.
#include "VectorTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace marlox::vector::testing;
using marlox::testing::sameImage;

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
    const QList<Probe> shapes = {{25, 17, 0xFFDC143C},     {75, 17, 0xFF4682B4},
                                 {55, 17, 0xFF000000, 40}, {25, 50, 0xFFFFD700},
                                 {25, 37, 0xFFFF8C00, 20}, {75, 50, 0xFF2E8B57},
                                 {50, 78, 0xFFFF6347, 20}, {50, 50, clear},
                                 {5, 5, 0xFFDC143C},       {3, 3, clear}};
    const QList<Probe> strokes = {
        {9, 10, clear},          {7, 25, 0xFF000000}, {7, 40, 0xFF000000, 100}, {5, 36, clear},
        {70, 2, 0xFF4169E1, 40}, {70, 14, clear},     {7, 60, 0xFFB22222},      {17, 60, clear},
        {12, 70, clear},         {3, 80, clear},      {7, 80, 0xFFB22222},      {12, 80, clear},
        {25, 70, 0xFFB22222},    {37, 70, clear},     {20, 95, clear}};
    const QList<Probe> gradients = {
        {6, 20, red, 12},         {44, 20, blue, 12},       {55, 20, red, 12},
        {94, 20, blue, 12},       {25, 60, 0xFFFFFF00, 12}, {25, 46, 0xFF008000, 30},
        {68, 60, 0xFFFFFF00, 12}, {94, 60, 0xFF008000, 30}, {50, 20, clear}};
    const QList<Probe> transforms = {{20, 20, 0xFFC0C0C0}, {40, 20, red},   {70, 7, blue},
                                     {70, 20, blue},       {60, 8, clear},  {90, 90, 0xFF008000},
                                     {50, 85, 0xFFFFA500}, {70, 80, purple}};
    const QList<Probe> structure = {{15, 15, 0xFF006400},     {40, 15, 0x80008080, 4},
                                    {65, 15, 0xFFFF7F50},     {80, 15, 0xFF6A5ACD},
                                    {15, 40, 0x80FF0000, 4},  {35, 50, 0x800000FF, 4},
                                    {60, 65, 0x800000FF, 4},  {82, 85, 0xFFFFD700},
                                    {70, 85, 0xFF000000, 40}, {31, 10, 0x80008080, 4}};
    const QList<Probe> clipping = {{25, 25, 0xFF000080}, {3, 3, clear},   {47, 25, clear},
                                   {60, 25, 0xFF8B0000}, {85, 25, clear}, {50, 75, 0xFFFFFF00},
                                   {30, 90, 0xFF006400}, {15, 60, clear}};
    const QList<Probe> text = {{5, 5, clear}, {50, 10, 0x80C0C0C0, 6}};
    const QList<Probe> aspectRatio = {{50, 25, clear},
                                      {2, 52, 0xFFADD8E6},
                                      {25, 75, 0xFF191970},
                                      {75, 75, 0xFFFFA500},
                                      {98, 98, 0xFFADD8E6}};
    const QList<Probe> colors = {
        {17, 17, red},           {50, 17, 0xFF008000},    {82, 17, blue},
        {17, 50, 0xFFC71585},    {50, 50, 0x80000000, 4}, {82, 50, 0xFFFFA500},
        {71, 50, 0xFF7F5200, 6}, {68, 50, 0x80000000, 4}, {50, 70, purple, 3},
        {10, 82, clear},         {50, 82, 0x80008080, 4}};
    const QList<Probe> images = {{15, 20, red, 8}, {45, 20, blue, 8}, {60, 15, clear},
                                 {60, 30, red, 8}, {90, 30, blue, 8}, {75, 45, clear},
                                 {5, 5, clear}};
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
        EXPECT_TRUE(sameImage(image, QImage(goldenFolder + "/" + golden.name + ".png")
                                         .convertToFormat(QImage::Format_ARGB32)));
    }
    named.sort();
    EXPECT_EQ(QDir(goldenFolder).entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name),
              named);
}

TEST(GoldenImageTest, TextIsDrawnOnEachSideOfItsAnchorLine) {
    QTemporaryDir scratch;
    const QImage image = rendered(goldenFolder + "/text.svg", scratch);
    const auto inkIn = [&image](int left, int right, int top, int bottom, QRgb color) {
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                if (pixelIs(image, x, y, color, 40)) {
                    return true;
                }
            }
        }
        return false;
    };
    // "Left" starts at the line, "Mid" straddles it, "Right" ends at it.
    EXPECT_FALSE(inkIn(0, 49, 10, 26, 0xFF000000));
    EXPECT_TRUE(inkIn(51, 100, 10, 26, 0xFF000000));
    EXPECT_TRUE(inkIn(0, 49, 35, 51, blue));
    EXPECT_TRUE(inkIn(51, 100, 35, 51, blue));
    EXPECT_TRUE(inkIn(0, 49, 60, 76, red));
    EXPECT_FALSE(inkIn(51, 100, 60, 76, red));
}

TEST(SvgRenderToolTest, EmptyOrBrokenMarkupGivesATransparentImage) {
    QTemporaryDir scratch;
    const QList<QByteArray> documents = {"", "not markup at all", "<svg><rect width='50' height",
                                         "<html><rect width='50' height='50'/></html>"};
    for (const QByteArray& markup : documents) {
        const QString input = scratch.filePath(QStringLiteral("document.svg"));
        QFile file(input);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(markup);
        file.close();
        const QImage image = rendered(input, scratch, 20);
        EXPECT_EQ(image.size(), QSize(20, 20)) << markup.constData();
        EXPECT_TRUE(isBlank(image)) << markup.constData();
    }
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
        {"size not a number", {document, output, QStringLiteral("big")}, 2},
        {"size zero", {document, output, QStringLiteral("0")}, 2},
        {"size too large", {document, output, QStringLiteral("100000")}, 2},
        {"missing input", {scratch.filePath(QStringLiteral("missing.svg")), output, "10"}, 1},
        {"input is a folder", {scratch.path(), output, QStringLiteral("10")}, 1},
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
