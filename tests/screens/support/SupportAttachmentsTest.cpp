#include "screens/support/SupportAttachments.h"

#include "support/QtPrinters.h"
#include "support/ScratchHome.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace marlox::screens;
using namespace marlox::testing;

namespace {

TEST(SupportAttachmentsTest, TheSymbolFollowsTheExtensionInLowerCase) {
    const std::pair<QString, QString> cases[] = {
        {"/s/Shot.png", "photo"}, {"/s/Shot.JPG", "photo"}, {"/s/a.HEIC", "photo"},
        {"/s/Take.MOV", "film"},  {"/s/a.mp4", "film"},     {"/s/Report.pdf", "doc.richtext"},
        {"/s/notes.txt", "doc"},  {"/s/README", "doc"},     {"/s/a.png.zip", "doc"},
    };
    for (const auto& [path, symbol] : cases) {
        EXPECT_EQ(attachmentIconName(path), symbol) << path.toStdString();
    }
}

TEST(SupportAttachmentsTest, AddingKeepsEachFileOnceInTheFirstOrder) {
    const QStringList attached = withAttachmentsAdded(
        {"/s/b.png", "/s/a.png"}, {"/s/a.png", "/s/c.mov", "/s/./b.png", "/s/c.mov"});
    EXPECT_EQ(attached, QStringList({"/s/b.png", "/s/a.png", "/s/c.mov"}));
}

TEST(SupportAttachmentsTest, RemovingByPositionRenumbersAndIgnoresPositionsOutside) {
    const QStringList three = {"/s/a.png", "/s/b.png", "/s/c.png"};
    const std::pair<qsizetype, QStringList> cases[] = {
        {1, {"/s/a.png", "/s/c.png"}},
        {0, {"/s/b.png", "/s/c.png"}},
        {3, three},
        {-1, three},
    };
    for (const auto& [position, expected] : cases) {
        EXPECT_EQ(withAttachmentRemoved(three, position), expected) << position;
    }
}

using AttachmentSizeTest = ScratchHomeTest;

TEST_F(AttachmentSizeTest, SizesAreInDecimalUnitsAndEmptyWhenUnreadable) {
    writeFile(home.filePath("small.png"), QByteArray(12, 'x'));
    writeFile(home.filePath("shot.png"), QByteArray(1500, 'x'));
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(attachmentSizeText(home.filePath("small.png"), english), "12 bytes");
    EXPECT_EQ(attachmentSizeText(home.filePath("shot.png"), english), "1.5 kB");
    EXPECT_EQ(attachmentSizeText(home.filePath("gone.png"), english), "");
}

using AttachmentChooserTest = ScratchHomeTest;

TEST_F(AttachmentChooserTest, StartsInPicturesOrElseAtHome) {
    const QString homeFolder = QDir::homePath();
    const QString pictures = homeFolder + "/Pictures";
    EXPECT_EQ(supportAttachmentChoice().startFolder, homeFolder);
    QDir().mkpath(pictures);
    EXPECT_EQ(supportAttachmentChoice().startFolder, pictures);
}

} // namespace
