#include "base/Sha256.h"

#include "support/FileSupport.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

using namespace marlox::base;
using namespace marlox::testing;

namespace {

QString hexDigest(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

using Sha256Test = ScratchHomeTest;

TEST_F(Sha256Test, DigestCoversEveryByteOfFilesOfAnySizeAndAnUnreadableFileIsNamed) {
    // Sizes around the read chunk, so that a lost or repeated chunk shows.
    for (const qsizetype size : {0, 1, 1 << 20, (1 << 20) + 1, (3 << 20) - 7}) {
        QByteArray bytes(size, '\0');
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
        const QString path = home.filePath(QString("file-%1").arg(size));
        writeFile(path, bytes);
        const auto digest = sha256OfFile(path);
        ASSERT_TRUE(digest) << size;
        EXPECT_EQ(sha256HexString(*digest), hexDigest(bytes)) << size;
    }
    const auto missing = sha256OfFile(home.filePath("missing"));
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.error().description().contains(home.filePath("missing")));
}

} // namespace
