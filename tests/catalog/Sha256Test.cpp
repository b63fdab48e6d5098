#include "catalog/Sha256.h"

#include "support/QtPrinters.h"
#include "support/ScratchHome.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace marlox::catalog;
using marlox::testing::ScratchHomeTest;

namespace {

TEST(Sha256Test, HexStringIsSixtyFourLowerCaseDigitsInByteOrder) {
    QByteArray digest(32, '\0');
    digest[0] = 0x0A;
    digest[1] = static_cast<char>(0xFF);
    digest[31] = static_cast<char>(0xB7);

    const QString text = sha256HexString(digest);

    EXPECT_EQ(text.size(), 64);
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{64}$").match(text).hasMatch());
    EXPECT_TRUE(text.startsWith("0aff00"));
    EXPECT_TRUE(text.endsWith("00b7"));
}

class Sha256FileTest : public ScratchHomeTest {};

TEST_F(Sha256FileTest, DigestCoversEveryByteOfFilesOfAnySize) {
    // Sizes around the read chunk, so that a lost or repeated chunk shows.
    for (const qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(1024 * 1024),
                                 qsizetype(1024 * 1024 + 1), qsizetype(3 * 1024 * 1024 - 7)}) {
        SCOPED_TRACE(size);
        QByteArray bytes(size, Qt::Uninitialized);
        for (qsizetype index = 0; index < size; ++index) {
            bytes[index] = static_cast<char>(QRandomGenerator::global()->generate());
        }
        const QString path = home.filePath(QString("file-%1").arg(size));
        marlox::testing::writeFile(path, bytes);

        const auto digest = sha256OfFile(path);

        ASSERT_TRUE(digest);
        EXPECT_EQ(*digest, QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
    }
}

TEST_F(Sha256FileTest, UnreadableFileIsAnError) {
    const auto digest = sha256OfFile(home.filePath("missing"));

    ASSERT_FALSE(digest);
    EXPECT_TRUE(digest.error().description.contains(home.filePath("missing")));
}

} // namespace
