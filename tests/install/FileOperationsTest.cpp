#include "install/FileOperations.h"

#include "support/ScratchHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace marlox::install;
using namespace marlox::testing;

namespace {

using FileOperationsTest = ScratchHomeTest;

} // namespace

TEST_F(FileOperationsTest, CanonicalPathResolvesLinksAsFarAsThePathExistsAndKeepsTheRoot) {
    const QString real = QFileInfo(home.path()).canonicalFilePath() + "/real";
    QDir().mkpath(real);
    QFile::link(real, home.filePath("link"));
    for (const auto& [path, expected] : QList<std::pair<QString, QString>>{
             {"/", "/"},
             {"//", "/"},
             {"/..", "/"},
             {"/tmp/..", "/"},
             {home.filePath("link"), real},
             {home.filePath("link/not/yet/../there"), real + "/not/there"},
         }) {
        EXPECT_EQ(canonicalPath(path), expected) << path.toStdString();
    }
}
