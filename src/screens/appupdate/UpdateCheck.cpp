#include "UpdateCheck.h"

namespace marlox::screens {
namespace {

UpdateCheckOutcome failure(QString reason) {
    return {updateCheckFailedMessage, std::move(reason), std::nullopt};
}

// Only a web page is opened: a feed must not get the desktop to open local files or programs.
std::optional<QUrl> webPage(const QString& link) {
    const QUrl url(link, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
        return std::nullopt;
    }
    return url;
}

} // namespace

UpdateCheckOutcome describeUpdateCheck(const Result<QByteArray, AppUpdateError>& feed,
                                       const QString& runningBuild) {
    if (!feed) {
        return failure(feed.error().description());
    }
    const auto read = AppcastReader::read(*feed);
    if (!read) {
        const AppcastFormatError& error = read.error();
        return failure(error.kind == AppcastFormatError::Kind::malformed
                           ? QStringLiteral("The appcast feed is not well-formed XML at %1")
                                 .arg(error.description())
                           : error.description());
    }
    if (!read->has_value()) {
        return failure(QStringLiteral("The appcast feed announces no build."));
    }
    const AppcastItem& item = **read;
    if (compareBuilds(runningBuild, item.notice.build) >= 0) {
        return {upToDateMessage, {}, std::nullopt};
    }
    UpdateCheckOutcome outcome{
        QStringLiteral("Version %1 (build %2) is available.")
            .arg(shownVersionText(item.notice.version), shownVersionText(item.notice.build)),
        {},
        webPage(item.link)};
    if (!outcome.downloadPage) {
        outcome.detail = QStringLiteral("The appcast feed names no download page for it.");
    }
    return outcome;
}

UpdateCheckRun runUpdateCheck(const std::optional<QString>& feedURLString,
                              const QString& runningBuild, platform::HttpClient& http) {
    const QUrl url = feedURLString ? QUrl(*feedURLString, QUrl::StrictMode) : QUrl();
    if (!url.isValid() || url.isEmpty()) {
        return {std::nullopt, failure(feedNotConfiguredMessage)};
    }
    const auto feed = fetchAppcastFeed(url, http);
    return {feed ? std::optional(*feed) : std::nullopt, describeUpdateCheck(feed, runningBuild)};
}

} // namespace marlox::screens
