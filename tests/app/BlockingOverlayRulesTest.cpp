#include "app/BlockingOverlayRules.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace marlox::app;
using marlox::catalog::PackageManifest;
using marlox::install::FolderAccessState;

namespace {

constexpr auto needsAccess = FolderAccessState::needsAccess;
constexpr auto granted = FolderAccessState::granted;

TEST(BlockingOverlayRulesTest, HostIconIsLookedUpByTheFirstIdentifierOfTheHostTable) {
    EXPECT_EQ(hostIconBundleIdentifier("Final Cut Pro"), "com.apple.FinalCut");
    EXPECT_EQ(hostIconBundleIdentifier("Apple Motion"), "com.apple.motionapp");
    // Names match exactly, or the row gets the generic symbol.
    EXPECT_EQ(hostIconBundleIdentifier("final cut pro"), std::nullopt);
    EXPECT_EQ(hostIconBundleIdentifier("Motion"), std::nullopt);
    EXPECT_EQ(hostIconBundleIdentifier(""), std::nullopt);
}

TEST(BlockingOverlayRulesTest, TemplatesRowShowsOnlyWhileTheParkedPackageNeedsIt) {
    struct Case {
        FolderAccessState installFolder;
        FolderAccessState templates;
        bool needsTemplates;
        QList<bool> grantedRows;
    };
    const Case cases[] = {
        {needsAccess, needsAccess, false, {false}},
        // A folder granted already shows so, even when the package does not need it.
        {granted, needsAccess, false, {true}},
        {needsAccess, granted, false, {false}},
        // A template package with the install folder already granted.
        {granted, needsAccess, true, {true, false}},
        {needsAccess, needsAccess, true, {false, false}},
        {granted, granted, true, {true, true}},
    };
    for (const Case& testCase : cases) {
        const QList<FolderAccessRow> rows =
            folderAccessRows(testCase.installFolder, testCase.templates, testCase.needsTemplates);
        QList<bool> grantedRows;
        for (const FolderAccessRow& row : rows) {
            grantedRows.append(row.granted);
        }
        EXPECT_EQ(grantedRows, testCase.grantedRows);
        ASSERT_FALSE(rows.isEmpty());
        EXPECT_EQ(rows.first().folder, TargetFolder::installFolder);
        EXPECT_EQ(rows.last().folder, testCase.needsTemplates ? TargetFolder::motionTemplates
                                                              : TargetFolder::installFolder);
    }
}

TEST(BlockingOverlayRulesTest, PendingLineNamesTheParkedPackage) {
    PackageManifest package;
    package.id = "studio.marlox.kinetic-titles";
    package.name = "Kinetic <b>Titles</b>";
    EXPECT_EQ(pendingInstallLine(package), "Pending install: Kinetic <b>Titles</b>");
    EXPECT_EQ(pendingInstallLine(std::nullopt), std::nullopt);
}

TEST(BlockingOverlayRulesTest, AccessErrorGoesToTheCardOnlyWhileHostsHoldTheMessage) {
    EXPECT_EQ(folderAccessErrorPlace({}), FolderAccessErrorPlace::operationAlert);
    EXPECT_EQ(folderAccessErrorPlace({"Apple Motion"}), FolderAccessErrorPlace::folderAccessCard);
}

} // namespace
