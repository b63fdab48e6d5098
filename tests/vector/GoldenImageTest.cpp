// Each document under data/golden is drawn by the svgrender tool at 100 by 100 and compared with
// the PNG beside it, as every golden is (MARLOX_RENEW_GOLDENS=1 renews them; look at each renewed
// PNG before keeping it).
#include "support/ImageTesting.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using marlox::testing::goldenPath;
using marlox::testing::matchesGolden;

namespace {

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

QImage rendered(const QString& document, const QTemporaryDir& scratch) {
    const QString output = scratch.filePath(QFileInfo(document).completeBaseName() + ".png");
    const ToolRun run = svgrender({document, output, QStringLiteral("100")});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    return QImage(output).convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(GoldenImageTest, EachDocumentInTheFolderDrawsAsItsCheckedImage) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QStringList documents =
        QDir(goldenFolder).entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name);
    EXPECT_EQ(documents.size(), 11);
    for (const QString& document : documents) {
        SCOPED_TRACE(qPrintable(document));
        EXPECT_TRUE(matchesGolden(rendered(goldenFolder + "/" + document, scratch),
                                  goldenPath(QFileInfo(document).completeBaseName())));
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
