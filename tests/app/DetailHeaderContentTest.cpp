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
        {"two candidates, idle", installed(2, 2), true},
        // Only stale records or templates: the count shows them, the button has nothing to do.
        {"stale records only", installed(3, 0), false},
        {"nothing installed", installed(0, 0), false},
        {"a single install from a card", installed(2, 2, true), false},
        {"a bulk run between two packages", installed(2, 2, false, third), false},
        {"a bulk run installing", installed(2, 2, true, third), false},
    };
    for (const Case& testCase : cases) {
        const DetailHeaderContent content = detailHeaderContent(testCase.state);
        EXPECT_TRUE(content.showsInstalledActions) << testCase.name;
        EXPECT_EQ(content.reinstallAllEnabled, testCase.enabled) << testCase.name;
    }
}

TEST(DetailHeaderContentTest, InstalledBadgeCountsEveryRecordIncludingStaleOnes) {
    EXPECT_EQ(detailHeaderContent(installed(0, 0)).installedCount, "0");
    EXPECT_EQ(detailHeaderContent(installed(7, 4)).installedCount, "7");
    EXPECT_EQ(detailHeaderContent(installed(1234, 0)).installedCount, "1234");
}

TEST(DetailHeaderContentTest, ProgressLineShowsOnlyInInstalledWhileABulkRunGoes) {
    const BulkInstallProgress third{3, 5, "Film Grade"};
    EXPECT_EQ(detailHeaderContent(installed(5, 5, true, third)).progress,
              (ReinstallProgressLine{"Reinstalling 3/5", "Film Grade"}));
    EXPECT_EQ(detailHeaderContent(installed(5, 5, true)).progress, std::nullopt);
    DetailHeaderState elsewhere = installed(5, 5, true, third);
    elsewhere.installedSection = false;
    EXPECT_EQ(detailHeaderContent(elsewhere).progress, std::nullopt);
}

TEST(DetailHeaderContentTest, OtherSectionsOfferOnlyTheUpdatesShortcutWhileUpdatesWait) {
    struct Case {
        qsizetype updates;
        std::optional<QString> title;
    };
    const Case cases[] = {
        {0, std::nullopt},
        // The wording keeps its plural for one.
        {1, QString("1 updates available")},
        {12, QString("12 updates available")},
    };
    for (const Case& testCase : cases) {
        const DetailHeaderContent content =
            detailHeaderContent({false, 9, testCase.updates, 9, false, std::nullopt});
        EXPECT_EQ(content.updatesShortcutTitle, testCase.title) << testCase.updates;
        EXPECT_FALSE(content.showsInstalledActions);
        EXPECT_EQ(content.installedCount, std::nullopt);
    }
    // Installed has no shortcut, however many updates wait.
    DetailHeaderState installedWithUpdates = installed(3, 3);
    installedWithUpdates.packagesWithUpdatesCount = 2;
    EXPECT_EQ(detailHeaderContent(installedWithUpdates).updatesShortcutTitle, std::nullopt);
}

} // namespace
