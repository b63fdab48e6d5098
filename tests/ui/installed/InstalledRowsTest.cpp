#include "ui/installed/InstalledRows.h"

#include "support/CatalogFixtures.h"

#include <gtest/gtest.h>

using namespace marlox::ui;
using marlox::catalog::InstalledPackage;
using marlox::catalog::InstalledPackageMap;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;
using marlox::testing::testPackage;

namespace {

InstalledPackage record(const QString& id, const QString& installPath = "/plugins/x",
                        const QStringList& templatePaths = {}) {
    return {id, "1.2", "hand-written time", PackageType::generator, installPath, templatePaths};
}

InstalledRow row(const InstalledPackage& installed, std::optional<PackageManifest> catalog) {
    return {std::move(catalog), installed};
}

InstalledCardContext context(bool presentOnDisk = true) {
    return {false, {}, {}, [=](const QString&) { return presentOnDisk; }};
}

TEST(InstalledRowsTest, RecordsAreListedByIDEachJoinedToTheCatalogPackageOfItsID) {
    // GIVEN records whose names and ids sort differently, one of them no longer in the catalog
    const InstalledPackageMap records = {
        {"b", record("b")}, {"a", record("a")}, {"Z", record("Z")}, {"stale", record("stale")}};
    auto first = testPackage("a");
    first.name = "Zulu";
    auto laterB = testPackage("b");
    laterB.name = "Later b";
    const QList<PackageManifest> packages = {testPackage("Z"), first, testPackage("b"),
                                             testPackage("unrelated"), laterB};
    // WHEN the rows are built
    QStringList titles;
    for (const InstalledRow& row : installedRows(records, packages)) {
        titles.append(row.installed.id + '=' + row.title() + (row.catalog ? "" : " (stale)"));
    }
    // THEN they are in id order and a record without a match is titled by its id
    EXPECT_EQ(titles, QStringList({"Z=Name of Z", "a=Zulu", "b=Name of b", "stale=stale (stale)"}));
}

TEST(InstalledRowsTest, RecordWithoutCatalogMatchOffersNoRepairAndSaysItNoLongerMatches) {
    const InstalledCard card = installedCard(row(record("gone"), std::nullopt),
                                             {true, {}, {}, [](const QString&) { return false; }});
    EXPECT_EQ(card.title, "gone");
    EXPECT_FALSE(card.showsRepair);
    EXPECT_TRUE(card.templateBlocks.isEmpty());
    EXPECT_EQ(card.missingOnDiskMessage,
              "Missing on disk. This install record no longer matches a catalog package.");
}

TEST(InstalledRowsTest, ExpandedDetailsShowTheStoredTimeFoldersAndTemplateWording) {
    auto withTemplates = testPackage("t");
    withTemplates.motionTemplatePayloadPath = " Templates/T ";
    auto blankTemplates = testPackage("t");
    blankTemplates.motionTemplatePayloadPath = "  ";
    struct Case {
        InstalledRow row;
        QList<DetailBlock> blocks;
    };
    const Case cases[] = {
        {row(record("t", "/p", {"/m/one", "/m/two"}), testPackage("t")),
         {{"Motion Template", "/m/one"}, {"Motion Template", "/m/two"}}},
        {row(record("t", "/p"), withTemplates),
         {{"Motion Template", "Expected for this package, but not currently installed."}}},
        {row(record("t", "/p"), blankTemplates),
         {{"Motion Template", "Not included in this package."}}},
        {row(record("t", "/p"), std::nullopt), {}},
    };
    for (const Case& example : cases) {
        const InstalledCard card =
            installedCard(example.row, {true, {}, {}, [](auto) { return true; }});
        EXPECT_EQ(card.installedAtText, "Installed: hand-written time");
        EXPECT_EQ(card.pluginFolder, (DetailBlock{"Plugin Folder", "/p"}));
        EXPECT_EQ(card.templateBlocks, example.blocks);
        EXPECT_EQ(card.missingOnDiskMessage, std::nullopt);
    }
}

TEST(InstalledRowsTest, MissingOnDiskIsAskedOnlyForExpandedCards) {
    QStringList asked;
    InstalledCardContext seen{false, {"open"}, {}, [&](const QString& id) {
                                  asked.append(id);
                                  return false;
                              }};
    const InstalledCard open = installedCard(row(record("open"), testPackage("open")), seen);
    const InstalledCard closed = installedCard(row(record("closed"), testPackage("closed")), seen);
    EXPECT_EQ(asked, QStringList({"open"}));
    EXPECT_EQ(open.missingOnDiskMessage,
              "Missing on disk. Use Repair or Reinstall All Plugins from the toolbar.");
    EXPECT_FALSE(closed.expanded);
    EXPECT_EQ(closed.missingOnDiskMessage, std::nullopt);
}

TEST(InstalledRowsTest, AnOperationOnTheIDDisablesRepairAndRemoveOnlyForThatID) {
    InstalledCardContext state = context();
    state.activePackageIDs = {"busy"};
    const InstalledCard busy = installedCard(row(record("busy"), testPackage("busy")), state);
    const InstalledCard idle = installedCard(row(record("idle"), testPackage("idle")), state);
    EXPECT_FALSE(busy.operationsEnabled);
    EXPECT_TRUE(busy.detailsEnabled);
    EXPECT_TRUE(idle.operationsEnabled);
}

TEST(InstalledRowsTest, FolderButtonRevealsEachNonEmptyPathPluginFolderFirst) {
    struct Case {
        InstalledPackage installed;
        QString help;
        QStringList reveals;
    };
    const Case cases[] = {
        {record("x", "/p"), "Open plugin folder", {"/p"}},
        {record("x", "/p", {"/m/a", "/m/b"}),
         "Open plugin and template folders",
         {"/p", "/m/a", "/m/b"}},
        {record("x", "", {"/m/a", ""}), "Open plugin and template folders", {"/m/a"}},
        {record("x", ""), "Open plugin folder", {}},
    };
    for (const Case& example : cases) {
        const InstalledCard card = installedCard(row(example.installed, std::nullopt), context());
        EXPECT_EQ(card.folderHelp, example.help);
        EXPECT_EQ(card.revealPaths, example.reveals);
    }
}

} // namespace
