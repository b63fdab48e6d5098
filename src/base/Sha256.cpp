#include "Sha256.h"

#include <QFile>

#include <openssl/evp.h>

#include <memory>

namespace marlox::base {
namespace {

constexpr qint64 readChunkBytes = 1024 * 1024;

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

} // namespace

QString sha256HexString(const QByteArray& digest) {
    return QString::fromLatin1(digest.toHex());
}

Result<QByteArray, FileDigestError> sha256OfFile(const QString& path) {
    QFile file(path);
    // Unbuffered: the chunks go straight from the file into the digest.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return FileDigestError{
            QStringLiteral("The file “%1” could not be read: %2").arg(path, file.errorString())};
    }
    std::unique_ptr<EVP_MD_CTX, DigestContextDeleter> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        return FileDigestError{QStringLiteral("SHA-256 is not available.")};
    }
    QByteArray buffer(readChunkBytes, Qt::Uninitialized);
    while (true) {
        const qint64 count = file.read(buffer.data(), buffer.size());
        if (count < 0) {
            return FileDigestError{QStringLiteral("The file “%1” could not be read: %2")
                                       .arg(path, file.errorString())};
        }
        if (count == 0) {
            break;
        }
        EVP_DigestUpdate(context.get(), buffer.constData(), static_cast<size_t>(count));
    }
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), reinterpret_cast<unsigned char*>(digest.data()), &length);
    digest.resize(static_cast<qsizetype>(length));
    return digest;
}

} // namespace marlox::base
