#include "app/DetailHeaderContent.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace marlox::app;
using marlox::install::BulkInstallProgress;

namespace {

DetailHeaderState installed(qsizetype records, qsizetype candidates, bool active = false,
                            std::optional<BulkInstallProgress> progress = std::nullopt) {
    return {true, records, 0, candidates, active, progress};
}

TEST(DetailHeaderContentTest, ReinstallAllIsEnabledOnlyWithCandidatesAndNothingRunning) {
    const BulkInstallProgress third{3, 5, "Film Grade"};
    struct Case {
        const char* name;
        DetailHeaderState state;
        bool enabled;
    };
    const Case cases[] = {
        {"nothing installed", installed(0, 0), false},
        {"a bulk run between two packages", installed(2, 2, false, third), false},
    };
    for (const Case& testCase : cases) {
        const DetailHeaderContent content = detailHeaderContent(testCase.state);
        EXPECT_TRUE(content.showsInstalledActions) << testCase.name;
        EXPECT_EQ(content.reinstallAllEnabled, testCase.enabled) << testCase.name;
    }
}

TEST(DetailHeaderContentTest, OtherSectionsShowNoShortcutWhileNoUpdateWaits) {
    const DetailHeaderContent content = detailHeaderContent({false, 9, 0, 9, false, std::nullopt});
    EXPECT_EQ(content.updatesShortcutTitle, std::nullopt);
    EXPECT_FALSE(content.showsInstalledActions);
    EXPECT_EQ(content.installedCount, std::nullopt);
}

} // namespace
