#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackage.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

// An invariant the decoders must keep: a crash shows the input that broke it.
void require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// What a decoder accepts must read back the same once written again; what it refuses, it says
// why.
template <typename Decode, typename Encode>
void requireRoundTrip(const QByteArray& bytes, Decode decode, Encode encode) {
    if (const auto value = decode(bytes)) {
        const auto again = decode(encode(*value));
        require(again && *again == *value);
    } else {
        require(!value.error().description().isEmpty());
    }
}

void decodeBoth(const QByteArray& bytes) {
    requireRoundTrip(bytes, marlox::catalog::decodeCatalogManifest,
                     marlox::catalog::encodeCatalogManifest);
    requireRoundTrip(bytes, marlox::catalog::decodeInstalledPackages,
                     marlox::catalog::encodeInstalledPackages);
}

} // namespace

// Any bytes go through both JSON decoders: the catalog's and the installed records'. Each ends
// with a value or an error that says why, never a crash; the text is read once where it lies,
// exactly as long as it is, and once from an array with room behind it, which the parser reads in
// place.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto length = static_cast<qsizetype>(size);
    decodeBoth(QByteArray::fromRawData(reinterpret_cast<const char*>(data), length));
    QByteArray roomy;
    roomy.reserve(length + 256);
    roomy.append(reinterpret_cast<const char*>(data), length);
    decodeBoth(roomy);
    return 0;
}
