#include "platform/DesktopFileChooser.h"

#include "support/QtPrinters.h"

#include <QDir>
#include <QFileDialog>

#include <gtest/gtest.h>

using namespace marlox::platform;

namespace {

TEST(DesktopFileChooserTest, AsksForFilesOfTheKindsUnderTheTitleAndHandsOverTheChosenOnes) {
    // GIVEN a window WHEN files are asked for over it, from a folder
    QWidget owner;
    const QString start = QDir::tempPath();
    QList<QStringList> chosen;
    DesktopFileChooser().chooseFiles(
        &owner, {"Attach", {FileContentType::movie, FileContentType::pdf}, true, start},
        [&chosen](const QStringList& paths) { chosen.append(paths); });

    // THEN a dialog for existing files of those kinds, in either case, is open under the title
    auto* dialog = owner.findChild<QFileDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Attach");
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(dialog->directory().absolutePath(), start);
    EXPECT_EQ(dialog->nameFilters(),
              QStringList("Movies, PDF Documents (*.mov *.MOV *.mp4 *.MP4 *.m4v *.M4V *.avi *.AVI "
                          "*.mkv *.MKV *.webm *.WEBM *.mpg *.MPG *.mpeg *.MPEG *.pdf *.PDF)"));

    // AND the files chosen in it reach the handler
    emit dialog->filesSelected({"/shots/a.mov", "/shots/b.pdf"});
    EXPECT_EQ(chosen, QList<QStringList>({{"/shots/a.mov", "/shots/b.pdf"}}));
}

} // namespace
