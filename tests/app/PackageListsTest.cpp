#include "app/PackageLists.h"

#include "app/AppSection.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace marlox::app;
using marlox::catalog::InstalledPackage;
using marlox::catalog::InstalledPackageMap;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;

namespace {

struct CatalogEntry {
    const char* id;
    PackageType type;
    const char* version;
};

struct Record {
    const char* id;
    const char* version;
};

struct PackageListsCase {
    const char* name;
    std::vector<CatalogEntry> catalog;
    std::vector<Record> installed;
    QStringList withUpdates;
    QStringList candidates;
};

QList<PackageManifest> catalogOf(const std::vector<CatalogEntry>& entries) {
    QList<PackageManifest> packages;
    for (const auto& entry : entries) {
        PackageManifest package;
        package.id = entry.id;
        package.name = entry.id;
        package.type = entry.type;
        package.version = entry.version;
        packages.append(package);
    }
    return packages;
}

InstalledPackageMap recordsOf(const std::vector<Record>& records) {
    InstalledPackageMap installed;
    for (const auto& record : records) {
        installed.insert(
            record.id,
            InstalledPackage{
                record.id, record.version, {}, PackageType::generator, "/somewhere", {}});
    }
    return installed;
}

QStringList idsOf(const QList<PackageManifest>& packages) {
    QStringList ids;
    for (const auto& package : packages) {
        ids.append(package.id);
    }
    return ids;
}

// Parameters are shown by name in test listings.
void PrintTo(const PackageListsCase& example, std::ostream* out) {
    *out << example.name;
}

class PackageListsTest : public ::testing::TestWithParam<PackageListsCase> {};

TEST_P(PackageListsTest, DerivesUpdatesAndReinstallCandidatesFromCatalogAndRecords) {
    // GIVEN a catalog and the installed records
    const auto& example = GetParam();
    const auto catalog = catalogOf(example.catalog);
    const auto installed = recordsOf(example.installed);

    // WHEN the window derives its two lists
    // THEN each holds the catalog's plug-ins it should, in catalog order
    EXPECT_EQ(idsOf(packagesWithUpdates(catalog, installed)), example.withUpdates);
    EXPECT_EQ(idsOf(reinstallCandidates(catalog, installed)), example.candidates);
}

INSTANTIATE_TEST_SUITE_P(
    Catalogs, PackageListsTest,
    ::testing::Values(PackageListsCase{"PartsCompareAsNumbers",
                                       {{"glow", PackageType::filter, "1.10"}},
                                       {{"glow", "1.2"}},
                                       {"glow"},
                                       {"glow"}},
                      PackageListsCase{"EqualOrNewerInstallOnlyReinstalls",
                                       {{"blur", PackageType::generator, "2.0"},
                                        {"glow", PackageType::filter, "1.0"}},
                                       {{"blur", "2.0.0"}, {"glow", "1.1"}},
                                       {},
                                       {"blur", "glow"}},
                      PackageListsCase{"OlderTemplateCountsNowhere",
                                       {{"titles", PackageType::template_, "2.0"}},
                                       {{"titles", "1.0"}},
                                       {},
                                       {}},
                      PackageListsCase{"UninstalledAndStaleRecordsCountNowhere",
                                       {{"blur", PackageType::generator, "2.0"}},
                                       {{"retired", "0.1"}},
                                       {},
                                       {}},
                      PackageListsCase{"EmptyCatalogGivesNothing", {}, {{"blur", "0.1"}}, {}, {}},
                      PackageListsCase{"CatalogOrderIsKept",
                                       {{"zoom", PackageType::filter, "3.0"},
                                        {"blur", PackageType::generator, "2.0"},
                                        {"matte", PackageType::filter, "1.0"}},
                                       {{"blur", "1.0"}, {"zoom", "2.9"}, {"matte", "1.0"}},
                                       {"zoom", "blur"},
                                       {"zoom", "blur", "matte"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AppSectionTest, OnlyTheSixExactRawValuesNameASection) {
    // GIVEN each section's raw value and near misses
    for (const AppSection section : allAppSections) {
        EXPECT_EQ(appSectionFromRawValue(rawValue(section)), section);
    }
    // WHEN texts that differ in case, spacing or spelling are read THEN none names a section
    for (const QString text : {"Home", "PLUGINS", " updates", "installed ", "", "help"}) {
        EXPECT_EQ(appSectionFromRawValue(text), std::nullopt) << text.toStdString();
    }
}

} // namespace
