#pragma once

#include "screens/appupdate/AppUpdateService.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace marlox::screens {

inline const QString upToDateMessage = QStringLiteral("Marlox Studio is up to date.");
inline const QString updateCheckFailedMessage = QStringLiteral("The update check failed.");

// What a user's update check found, as the updater shows it.
struct UpdateCheckOutcome {
    QString headline;
    // Why the check failed or what is missing; empty when there is nothing to add.
    QString detail;
    // The announced release's page, offered only for a newer build.
    std::optional<QUrl> downloadPage;

    friend bool operator==(const UpdateCheckOutcome&, const UpdateCheckOutcome&) = default;
};

// Judges a fetched feed against the running build. Every failure comes with its reason: a user
// who asked must never be left with nothing.
UpdateCheckOutcome describeUpdateCheck(const Result<QByteArray, AppUpdateError>& feed,
                                       const QString& runningBuild);

// A user's check: the feed as it was read, nothing when it could not be fetched, and what the
// check found.
struct UpdateCheckRun {
    std::optional<QByteArray> feed;
    UpdateCheckOutcome outcome;
};

// The user's check against the feed the delegate names, for the build that runs; blocks, so it
// runs on a worker.
UpdateCheckRun runUpdateCheck(const std::optional<QString>& feedURLString,
                              const QString& runningBuild, platform::HttpClient& http);

} // namespace marlox::screens
