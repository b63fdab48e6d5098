#include "base/SafePath.h"

#include <QList>
#include <QStringList>

#include <gtest/gtest.h>

#include <tuple>

using namespace marlox::base;

namespace {

TEST(SafePathTest, AcceptsOnlyASingleNamedEntry) {
    const QStringList safe = {"package", "com.maker.grain-2", "...", ".hidden", "a b"};
    QStringList unsafe = {"", ".", "..", "a/b", "/", "../x"};
    unsafe << QString::fromLatin1("a\0b", 3) << QString(1, QChar(0));
    for (const QString& text : safe + unsafe) {
        EXPECT_EQ(isSafePathComponent(text), safe.contains(text)) << text.toStdString();
    }
}

TEST(SafePathTest, PathIsWithinAFolderByWholeComponents) {
    for (const auto& [path, folder, within] : QList<std::tuple<QString, QString, bool>>{
             {"/a/b", "/a/b", true},
             {"/a/b/c", "/a/b/", true},
             {"/a/b/../b/c", "/a/b", true},
             {"/a/bc", "/a/b", false},
             {"/a", "/a/b", false},
             {"/a", "/", true},
             {"", "/a", false},
         }) {
        EXPECT_EQ(isPathWithin(path, folder), within) << path.toStdString();
    }
}

} // namespace
