#include "ui/kit/AppFont.h"

#include "support/QtPrinters.h"
#include "support/WidgetTesting.h"

#include <QDir>
#include <QFontDatabase>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

const QString manropeFile = builtBundlePath() + "/Contents/Resources/Fonts/Manrope-Regular.ttf";

class AppFontTest : public WidgetTest {};

TEST_F(AppFontTest, FindsTtfAndOtfFilesInAnyCaseAndInNestedFolders) {
    for (const char* name : {"a/Top.TTF", "a/deep/er/Nested.otf", "a/.hidden.ttf", "a/Web.woff",
                             "a/Pack.ttc", "a/Readme.txt", "a/ttf", "b/Second.oTf"}) {
        writeFile(home.filePath(name), "x");
    }
    QStringList found =
        fontFilesIn({home.filePath("a"), home.filePath("missing"), home.filePath("b")});
    for (QString& path : found) {
        path = QDir(home.path()).relativeFilePath(path);
    }
    EXPECT_EQ(found.last(), "b/Second.oTf");
    found.sort();
    EXPECT_EQ(found,
              QStringList({"a/.hidden.ttf", "a/Top.TTF", "a/deep/er/Nested.otf", "b/Second.oTf"}));
}

TEST_F(AppFontTest, BrokenFontFileIsSkippedAndTheOthersRegister) {
    writeFile(home.filePath("Broken.ttf"), "not a font at all");
    EXPECT_EQ(
        registerFontFiles({home.filePath("Broken.ttf"), home.filePath("Missing.otf"), manropeFile}),
        1);
}

TEST_F(AppFontTest, RegisteringTheBundledFontsTwiceRegistersEachFileOnce) {
    // Registration ids count up by one per registered file; a probe file shows how far.
    const int before = QFontDatabase::addApplicationFont(manropeFile);
    const QStringList resourceFolders = {builtBundlePath() + "/Contents/Resources"};
    registerBundledFonts(resourceFolders);
    const int afterFirst = QFontDatabase::addApplicationFont(manropeFile);
    registerBundledFonts(resourceFolders);
    const int afterSecond = QFontDatabase::addApplicationFont(manropeFile);
    ASSERT_GE(before, 0);
    EXPECT_EQ(afterSecond, afterFirst + 1);
    EXPECT_LE(afterFirst - before - 1, fontFilesIn(resourceFolders).size());
}

TEST_F(AppFontTest, AppFontIsTheSystemFontAtTheAskedSizeAndWeightWhenManropeIsUnknown) {
    const QFont fallback = appFontFor(false, 11, QFont::Bold);
    EXPECT_EQ(fallback.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    EXPECT_EQ(fallback.pixelSize(), 11);
    EXPECT_EQ(fallback.weight(), QFont::Bold);
}

} // namespace
