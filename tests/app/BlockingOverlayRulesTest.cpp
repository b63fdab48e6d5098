#include "app/BlockingOverlayRules.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace marlox::app;
using marlox::install::FolderAccessState;

namespace {

constexpr auto needsAccess = FolderAccessState::needsAccess;
constexpr auto granted = FolderAccessState::granted;

TEST(BlockingOverlayRulesTest, TemplatesRowShowsOnlyWhileTheParkedPackageNeedsIt) {
    struct Case {
        FolderAccessState installFolder;
        FolderAccessState templates;
        bool needsTemplates;
        QList<bool> grantedRows;
    };
    const Case cases[] = {
        // A folder granted already shows so, even when the package does not need it.
        {granted, needsAccess, false, {true}},
        {needsAccess, granted, false, {false}},
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

} // namespace
