#include "app/PackageLists.h"

#include "support/CatalogFixtures.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace marlox::app;
using namespace marlox::testing;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;

namespace {

TEST(PackageListsTest, DerivesUpdatesAndReinstallCandidatesFromCatalogAndRecords) {
    const auto filter = PackageType::filter;
    const auto generator = PackageType::generator;
    struct Case {
        const char* name;
        QList<PackageManifest> catalog;
        QList<std::pair<QString, QString>> installed;
        QStringList withUpdates;
        QStringList candidates;
    };
    const Case cases[] = {
        {"parts compare as numbers",
         {testPackage("glow", filter, "1.10")},
         {{"glow", "1.2"}},
         {"glow"},
         {"glow"}},
        {"equal or newer install only reinstalls",
         {testPackage("blur", generator, "2.0"), testPackage("glow", filter, "1.0")},
         {{"blur", "2.0.0"}, {"glow", "1.1"}},
         {},
         {"blur", "glow"}},
        {"older template counts nowhere",
         {testPackage("titles", PackageType::template_, "2.0")},
         {{"titles", "1.0"}},
         {},
         {}},
        {"uninstalled and stale records count nowhere",
         {testPackage("blur", generator, "2.0")},
         {{"retired", "0.1"}},
         {},
         {}},
        {"catalog order is kept",
         {testPackage("zoom", filter, "3.0"), testPackage("blur", generator, "2.0"),
          testPackage("matte", filter, "1.0")},
         {{"blur", "1.0"}, {"zoom", "2.9"}, {"matte", "1.0"}},
         {"zoom", "blur"},
         {"zoom", "blur", "matte"}},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.name);
        // GIVEN a catalog and the installed records
        const auto installed = recordsOfVersions(example.installed);
        // WHEN the window derives its two lists
        // THEN each holds the catalog's plug-ins it should, in catalog order
        EXPECT_EQ(idsOf(packagesWithUpdates(example.catalog, installed)), example.withUpdates);
        EXPECT_EQ(idsOf(reinstallCandidates(example.catalog, installed)), example.candidates);
        EXPECT_EQ(packageListCounts(example.catalog, installed).reinstallCandidates,
                  example.candidates.size());
    }
}

TEST(PackageListsTest, AnIDListedTwiceIsReinstalledOnceAsItsRecordedEntry) {
    // GIVEN a catalog listing one id twice, the second entry installed
    const QList<PackageManifest> catalog = {testPackage("twin", PackageType::filter, "1.0"),
                                            testPackage("twin", PackageType::filter, "2.0")};
    const auto installed = recordsOfVersions({{"twin", "2.0"}});
    // WHEN the window derives what Reinstall All installs
    const auto candidates = reinstallCandidates(catalog, installed);
    // THEN only the recorded entry goes into the id's one folder, and the count agrees
    ASSERT_EQ(candidates.size(), 1);
    EXPECT_EQ(candidates.first().version, "2.0");
    EXPECT_EQ(packageListCounts(catalog, installed).reinstallCandidates, 1);
}

} // namespace
