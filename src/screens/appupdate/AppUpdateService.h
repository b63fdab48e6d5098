#pragma once

#include "base/Result.h"
#include "catalog/Environment.h"
#include "catalog/ServiceError.h"
#include "platform/HttpClient.h"
#include "platform/Updater.h"
#include "screens/appupdate/AppcastReader.h"

#include <QByteArray>
#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QThreadPool>
#include <QUrl>

#include <memory>
#include <optional>

namespace marlox::platform {
class UserDefaults;
}

namespace marlox::screens {

inline const QString appUpdateServiceErrorDomain = QStringLiteral("AppUpdateService");
// The build of the announced update the user dismissed.
inline const QString dismissedBuildKey = QStringLiteral("appUpdate.dismissedBuild");
inline const QString feedNotConfiguredMessage =
    QStringLiteral("App update feed is not configured.");

// A feed larger than this is refused rather than read into memory.
inline constexpr qint64 appcastFeedByteLimit = 8 * 1024 * 1024;

// The domain is "AppUpdateService", with the HTTP status as code, for a status outside 200 to 299.
using AppUpdateError = catalog::ServiceError;

// The feed's bytes: a file: URL read from disk, any other URL fetched with one GET that ignores
// local caches. Blocks the calling thread, so it runs on a worker.
Result<QByteArray, AppUpdateError> fetchAppcastFeed(const QUrl& url, platform::HttpClient& http);

// The feed's announced item; nothing when the feed is not well-formed or announces no build.
Result<std::optional<AppUpdateNotice>, AppUpdateError>
fetchLatestAppcastItem(const QUrl& url, platform::HttpClient& http);
// The same from a feed's bytes.
std::optional<AppUpdateNotice> announcedAppcastItem(const QByteArray& feed);

// -1 when `lhs` is the older build, 0 when equal, 1 when newer: whole numbers by value, however
// many digits they have, anything else as dotted versions.
int compareBuilds(const QString& lhs, const QString& rhs);

// The running application's build: its bundle's "CFBundleVersion" when it is text, else "0".
QString runningApplicationBuild(const platform::Bundle& mainBundle);

// Whether the appcast feed announces a newer build of the application, which announced build the
// user dismissed, and the hand-over of a user's check to the updater.
class AppUpdateService final : public QObject, public platform::UpdaterDelegate {
    Q_OBJECT
    Q_PROPERTY(std::optional<QString> lastErrorMessage READ lastErrorMessage NOTIFY
                   lastErrorMessageChanged)
    Q_PROPERTY(std::optional<QString> feedURLString READ feedURLString CONSTANT)
    Q_PROPERTY(std::optional<marlox::screens::AppUpdateNotice> availableUpdate READ availableUpdate
                   NOTIFY availableUpdateChanged)
    Q_PROPERTY(bool shouldShowAvailableUpdate READ shouldShowAvailableUpdate NOTIFY
                   shouldShowAvailableUpdateChanged)

public:
    // With a feed configured the updater is made at once; without one it is never made.
    // The running build is read from `mainBundle`.
    AppUpdateService(catalog::DistributionConfiguration configuration, platform::Bundle mainBundle,
                     platform::UserDefaults& userDefaults,
                     std::shared_ptr<platform::HttpClient> httpClient,
                     platform::UpdaterFactory updaterFactory, QObject* parent = nullptr);
    ~AppUpdateService() override;

    const std::optional<QString>& lastErrorMessage() const { return m_lastErrorMessage; }
    // The configured feed URL's full text; nothing when none is configured.
    const std::optional<QString>& feedURLString() const { return m_feedURLString; }
    // A build newer than the running one, as the last completed refresh read it.
    const std::optional<AppUpdateNotice>& availableUpdate() const { return m_availableUpdate; }
    // An available update whose build the user has not dismissed.
    bool shouldShowAvailableUpdate() const;

    // The user's check: hands the visible check to the updater and publishes, as a silent
    // refresh would, what that check read of the feed. The future finishes once that is
    // published; a check asked for before then shares it.
    QFuture<void> checkForUpdates();
    // Reads the feed off the main thread and publishes what it announces; the future finishes
    // once that is published. A silent refresh drops a failure without a message. A refresh that
    // a later one overtakes publishes nothing.
    QFuture<void> refreshAvailableUpdate(bool silent);
    // Hides the available update until the feed announces another build.
    void dismissAvailableUpdate();

    std::optional<QString> feedURLStringForUpdater() const override { return m_feedURLString; }
    void updaterDidReadFeed(const std::optional<QByteArray>& feed) override;

signals:
    void lastErrorMessageChanged();
    void availableUpdateChanged();
    void shouldShowAvailableUpdateChanged();

private:
    platform::Updater& updater();
    void publishRefresh(const Result<std::optional<AppUpdateNotice>, AppUpdateError>& fetched,
                        bool silent);
    void setLastErrorMessage(std::optional<QString> message);
    void setAvailableUpdate(std::optional<AppUpdateNotice> notice);

    const catalog::DistributionConfiguration m_configuration;
    const platform::Bundle m_mainBundle;
    platform::UserDefaults& m_userDefaults;
    std::shared_ptr<platform::HttpClient> m_httpClient;
    platform::UpdaterFactory m_updaterFactory;
    std::unique_ptr<platform::Updater> m_updater;

    std::optional<QString> m_lastErrorMessage;
    const std::optional<QString> m_feedURLString;
    std::optional<AppUpdateNotice> m_availableUpdate;
    quint64 m_newestRefresh = 0;
    // The user's check waiting for the updater's reading, and its place among the refreshes.
    std::shared_ptr<QPromise<void>> m_userCheck;
    quint64 m_userCheckRefresh = 0;

    // Last, so that it is destroyed first and waits for fetches that still use the members above.
    QThreadPool m_fetchThreads;
};

} // namespace marlox::screens
