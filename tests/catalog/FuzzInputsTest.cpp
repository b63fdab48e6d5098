#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackage.h"
#include "support/ScratchHome.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace marlox::catalog;

namespace {

// The files of a data folder, whatever their names (libFuzzer writes findings without an
// extension); none when the folder does not exist.
QStringList filesIn(const QString& folder) {
    QStringList paths;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        paths.append(folder + u'/' + name);
    }
    return paths;
}

// Decodes the bytes; a value must read back the same once written again, a failure must say why.
// Answers whether they decoded.
template <typename Decode, typename Encode>
bool decodesAndRoundTrips(const QByteArray& bytes, Decode decode, Encode encode) {
    const auto value = decode(bytes);
    if (!value) {
        EXPECT_FALSE(value.error().description().isEmpty());
        return false;
    }
    const auto again = decode(encode(*value));
    EXPECT_TRUE(again && *again == *value);
    return true;
}

// GIVEN the seeds of the catalog decode fuzzer and every input its runs found
// WHEN each is decoded as a catalog and as installed records
// THEN each decode gives a value that reads back the same once written, or says why it failed
TEST(FuzzInputsTest, EverySeedAndFindingDecodesToAValueThatRoundTripsOrToAReason) {
    const QString data = QStringLiteral(MARLOX_TEST_DATA_DIR);
    const QStringList seeds = filesIn(data + "/fuzz-seeds");
    ASSERT_GE(seeds.size(), 4);
    int catalogs = 0, recordFiles = 0;
    for (const QString& path : seeds + filesIn(data + "/fuzz-found")) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = marlox::testing::readFile(path);
        catalogs += decodesAndRoundTrips(bytes, decodeCatalogManifest, encodeCatalogManifest);
        recordFiles +=
            decodesAndRoundTrips(bytes, decodeInstalledPackages, encodeInstalledPackages);
    }
    EXPECT_GE(catalogs, 1);
    EXPECT_GE(recordFiles, 1);
}

} // namespace
