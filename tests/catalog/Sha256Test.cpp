#include "catalog/Sha256.h"

#include "support/QtPrinters.h"
#include "support/ScratchHome.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace marlox::catalog;

namespace {

class Sha256Test : public marlox::testing::ScratchHomeTest {};

TEST_F(Sha256Test, DigestCoversEveryByteOfFilesOfAnySizeAndIsWrittenAsLowerCaseHex) {
    // Sizes around the read chunk, so that a lost or repeated chunk shows.
    for (const qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(1024 * 1024),
                                 qsizetype(1024 * 1024 + 1), qsizetype(3 * 1024 * 1024 - 7)}) {
        SCOPED_TRACE(size);
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& byte : bytes) {
            byte = static_cast<char>(QRandomGenerator::global()->generate());
        }
        const QString path = home.filePath(QString("file-%1").arg(size));
        marlox::testing::writeFile(path, bytes);

        const auto digest = sha256OfFile(path);

        ASSERT_TRUE(digest);
        const QByteArray expected = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
        EXPECT_EQ(*digest, expected);
        EXPECT_EQ(sha256HexString(*digest), QString::fromLatin1(expected.toHex()));
    }
}

TEST_F(Sha256Test, UnreadableFileIsAnErrorNamingIt) {
    const auto digest = sha256OfFile(home.filePath("missing"));
    ASSERT_FALSE(digest);
    EXPECT_TRUE(digest.error().description.contains(home.filePath("missing")));
}

} // namespace
