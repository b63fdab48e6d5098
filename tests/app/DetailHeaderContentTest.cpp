#include "app/DetailHeaderContent.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace marlox::app;
using marlox::install::BulkInstallProgress;

namespace {

TEST(DetailHeaderContentTest, InstalledShowsItsCountAndActionsAndTheOthersOnlyPendingUpdates) {
    const BulkInstallProgress third{3, 5, "Film Grade"};
    const DetailHeaderContent idle{"2", true, true, std::nullopt, std::nullopt};
    const DetailHeaderContent held{"2", true, false, std::nullopt, std::nullopt};
    struct Case {
        const char* name;
        DetailHeaderState state;
        DetailHeaderContent content;
    };
    const Case cases[] = {
        {"records of packages no longer listed", {true, 2, 0, 0, false, std::nullopt}, held},
        {"candidates and nothing running", {true, 2, 1, 2, false, std::nullopt}, idle},
        {"a single install running", {true, 2, 0, 2, true, std::nullopt}, held},
        {"a bulk run between two packages",
         {true, 2, 0, 2, false, third},
         {"2", true, false, std::nullopt, ReinstallProgressLine{"Reinstalling 3/5", "Film Grade"}}},
        {"another section, one update",
         {false, 9, 1, 9, false, std::nullopt},
         {std::nullopt, false, false, "1 updates available", std::nullopt}},
        {"another section, no update", {false, 9, 0, 9, true, third}, {}},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(detailHeaderContent(testCase.state), testCase.content) << testCase.name;
    }
}

} // namespace
