#pragma once

#include "install/InstallationCoordinator.h"

#include <QString>

#include <optional>

// What the detail header shows beside the section's title: in the Installed section the count of
// records, the "Show All Details" switch, "Reinstall All Plugins" and the progress of a bulk run;
// in the others the shortcut to the pending updates.
namespace marlox::app {

namespace detailHeaderText {
inline const QString showAllDetails = QStringLiteral("Show All Details");
inline const QString reinstallAllPlugins = QStringLiteral("Reinstall All Plugins");
} // namespace detailHeaderText

// What the header is drawn from.
struct DetailHeaderState {
    bool installedSection = false;
    // Every installed record, also of packages the catalog no longer lists.
    qsizetype installedRecordCount = 0;
    qsizetype packagesWithUpdatesCount = 0;
    qsizetype reinstallCandidatesCount = 0;
    // Whether the coordinator has any package in flight.
    bool anyPackageActive = false;
    std::optional<install::BulkInstallProgress> bulkInstallProgress;
};

struct ReinstallProgressLine {
    // "Reinstalling 3/5"
    QString counter;
    QString packageName;

    bool operator==(const ReinstallProgressLine&) const = default;
};

struct DetailHeaderContent {
    // The count badge's title; Installed only.
    std::optional<QString> installedCount;
    // The switch and the reinstall button; Installed only.
    bool showsInstalledActions = false;
    bool reinstallAllEnabled = false;
    // "N updates available"; other sections, while updates are pending.
    std::optional<QString> updatesShortcutTitle;
    // Installed only, while a bulk run is under way.
    std::optional<ReinstallProgressLine> progress;

    bool operator==(const DetailHeaderContent&) const = default;
};

DetailHeaderContent detailHeaderContent(const DetailHeaderState& state);

// The count then " updates available", whatever the count: "1 updates available".
QString updatesShortcutTitle(qsizetype count);
QString reinstallProgressCounter(const install::BulkInstallProgress& progress);

} // namespace marlox::app
