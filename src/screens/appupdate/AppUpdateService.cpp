#include "AppUpdateService.h"

#include "base/FileSystem.h"
#include "base/VersionComparison.h"
#include "platform/BoundedBody.h"
#include "platform/Bundle.h"
#include "platform/Continuation.h"
#include "platform/UserDefaults.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <utility>

namespace marlox::screens {
namespace {

const QString feedTooLargeMessage = QStringLiteral("The appcast feed is larger than %1.")
                                        .arg(base::mebibytesBoundText(appcastFeedByteLimit));

Result<QByteArray, AppUpdateError> readFeedFile(const QString& path) {
    const auto bytes = base::readWholeFile(path, appcastFeedByteLimit);
    if (!bytes) {
        return AppUpdateError{bytes.error().tooLarge ? feedTooLargeMessage
                                                     : bytes.error().description()};
    }
    return *bytes;
}

Result<QByteArray, AppUpdateError> downloadFeed(const QUrl& url, platform::HttpClient& http) {
    platform::BoundedBody body(appcastFeedByteLimit);
    platform::HttpGetRequest request{url};
    request.ignoreLocalCache = true;
    const auto response = http.get(request, body);
    if (body.exceeded()) {
        return AppUpdateError{feedTooLargeMessage};
    }
    if (!response) {
        return AppUpdateError{response.error().description()};
    }
    // Qt reports informational and redirection finals without an error: the status decides.
    if (const auto status = response->statusCode; status && (*status < 200 || *status > 299)) {
        return AppUpdateError{QStringLiteral("App update check failed with HTTP %1.").arg(*status),
                              appUpdateServiceErrorDomain, *status};
    }
    return body.bytes();
}

// A build written as an optional sign and digits only, however many: its sign and its digits
// without leading zeros, so that builds too long for any integer still compare by value.
struct WholeNumberText {
    bool negative = false;
    QStringView digits;
};

std::optional<WholeNumberText> wholeNumberText(QStringView text) {
    WholeNumberText number;
    if (text.startsWith(u'+') || text.startsWith(u'-')) {
        number.negative = text.front() == u'-';
        text = text.sliced(1);
    }
    const auto isDigit = [](QChar character) { return character >= u'0' && character <= u'9'; };
    if (text.isEmpty() || !std::all_of(text.begin(), text.end(), isDigit)) {
        return std::nullopt;
    }
    while (text.size() > 1 && text.front() == u'0') {
        text = text.sliced(1);
    }
    number.digits = text;
    // Minus zero is zero.
    number.negative = number.negative && text != u"0";
    return number;
}

// Digits without leading zeros: the longer is the larger, and of equal length the text decides.
int compareDigits(QStringView left, QStringView right) {
    if (left.size() != right.size()) {
        return left.size() < right.size() ? -1 : 1;
    }
    const int order = left.compare(right);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

} // namespace

Result<QByteArray, AppUpdateError> fetchAppcastFeed(const QUrl& url, platform::HttpClient& http) {
    if (url.isLocalFile()) {
        return readFeedFile(url.toLocalFile());
    }
    return downloadFeed(url, http);
}

Result<std::optional<AppUpdateNotice>, AppUpdateError>
fetchLatestAppcastItem(const QUrl& url, platform::HttpClient& http) {
    const auto feed = fetchAppcastFeed(url, http);
    if (!feed) {
        return feed.error();
    }
    return announcedAppcastItem(*feed);
}

std::optional<AppUpdateNotice> announcedAppcastItem(const QByteArray& feed) {
    const auto item = AppcastReader::read(feed);
    if (!item || !item->has_value()) {
        return std::nullopt;
    }
    return (*item)->notice;
}

int compareBuilds(const QString& lhs, const QString& rhs) {
    const auto left = wholeNumberText(lhs);
    const auto right = wholeNumberText(rhs);
    if (left && right) {
        if (left->negative != right->negative) {
            return left->negative ? -1 : 1;
        }
        const int magnitude = compareDigits(left->digits, right->digits);
        return left->negative ? -magnitude : magnitude;
    }
    return base::compareVersions(lhs, rhs);
}

QString runningApplicationBuild(const platform::Bundle& mainBundle) {
    const QVariant build = mainBundle.infoValue(QStringLiteral("CFBundleVersion"));
    return build.typeId() == QMetaType::QString ? build.toString() : QStringLiteral("0");
}

AppUpdateService::AppUpdateService(catalog::DistributionConfiguration configuration,
                                   platform::Bundle mainBundle,
                                   platform::UserDefaults& userDefaults,
                                   std::shared_ptr<platform::HttpClient> httpClient,
                                   platform::UpdaterFactory updaterFactory, QObject* parent)
    : QObject(parent), m_configuration(std::move(configuration)),
      m_mainBundle(std::move(mainBundle)), m_userDefaults(userDefaults),
      m_httpClient(std::move(httpClient)), m_updaterFactory(std::move(updaterFactory)),
      m_feedURLString(
          m_configuration.appcastFeedURL
              ? std::optional(m_configuration.appcastFeedURL->toString(QUrl::FullyEncoded))
              : std::nullopt) {
    // A dismissal written here or by another owner of the same defaults changes what shows.
    connect(&m_userDefaults, &platform::UserDefaults::valueChanged, this,
            [this](const QString& key) {
                if (key == dismissedBuildKey) {
                    emit shouldShowAvailableUpdateChanged();
                }
            });
    if (m_configuration.appcastFeedURL) {
        updater();
    }
}

AppUpdateService::~AppUpdateService() {
    m_fetchThreads.waitForDone();
}

bool AppUpdateService::shouldShowAvailableUpdate() const {
    if (!m_availableUpdate) {
        return false;
    }
    const std::optional<QString> dismissed = m_userDefaults.string(dismissedBuildKey);
    return !dismissed || *dismissed != m_availableUpdate->build;
}

QFuture<void> AppUpdateService::checkForUpdates() {
    if (!m_configuration.appcastFeedURL) {
        setLastErrorMessage(feedNotConfiguredMessage);
        return QtFuture::makeReadyFuture();
    }
    setLastErrorMessage(std::nullopt);
    if (!m_userCheck) {
        m_userCheck = std::make_shared<QPromise<void>>();
        m_userCheck->start();
        m_userCheckRefresh = ++m_newestRefresh;
    }
    QFuture<void> published = m_userCheck->future();
    updater().checkForUpdates();
    return published;
}

void AppUpdateService::updaterDidReadFeed(const std::optional<QByteArray>& feed) {
    // A reading no user check waits for counts as a refresh asked for now.
    const std::shared_ptr<QPromise<void>> userCheck = std::exchange(m_userCheck, nullptr);
    const quint64 refreshNumber = userCheck ? m_userCheckRefresh : ++m_newestRefresh;
    if (!feed) {
        // As a silent refresh, a failed fetch keeps the notice and says nothing.
        if (userCheck) {
            userCheck->finish();
        }
        return;
    }
    platform::continueOn(
        *this,
        QtConcurrent::run(&m_fetchThreads, [feed = *feed] { return announcedAppcastItem(feed); }),
        [this, refreshNumber, userCheck](const std::optional<AppUpdateNotice>& announced) {
            if (refreshNumber == m_newestRefresh) {
                publishRefresh(announced, true);
            }
            if (userCheck) {
                userCheck->finish();
            }
        });
}

QFuture<void> AppUpdateService::refreshAvailableUpdate(bool silent) {
    if (!m_configuration.appcastFeedURL) {
        setAvailableUpdate(std::nullopt);
        if (!silent) {
            setLastErrorMessage(feedNotConfiguredMessage);
        }
        return QtFuture::makeReadyFuture();
    }
    // Of overlapping refreshes the later request wins, whichever answer comes last.
    const quint64 refreshNumber = ++m_newestRefresh;
    return platform::continueOn(
        *this,
        QtConcurrent::run(&m_fetchThreads,
                          [url = *m_configuration.appcastFeedURL, http = m_httpClient] {
                              return fetchLatestAppcastItem(url, *http);
                          }),
        [this, silent,
         refreshNumber](const Result<std::optional<AppUpdateNotice>, AppUpdateError>& fetched) {
            if (refreshNumber == m_newestRefresh) {
                publishRefresh(fetched, silent);
            }
        });
}

void AppUpdateService::publishRefresh(
    const Result<std::optional<AppUpdateNotice>, AppUpdateError>& fetched, bool silent) {
    if (!fetched) {
        // A failed fetch keeps the notice of the last one that worked.
        if (!silent) {
            setLastErrorMessage(fetched.error().description());
        }
        return;
    }
    const std::optional<AppUpdateNotice>& item = *fetched;
    if (!item) {
        setAvailableUpdate(std::nullopt);
        return;
    }
    if (compareBuilds(runningApplicationBuild(m_mainBundle), item->build) < 0) {
        setAvailableUpdate(item);
        return;
    }
    setAvailableUpdate(std::nullopt);
    // Once the running build has caught up with a dismissed one, the dismissal has done its work.
    if (m_userDefaults.string(dismissedBuildKey) == item->build) {
        m_userDefaults.remove(dismissedBuildKey);
    }
}

void AppUpdateService::dismissAvailableUpdate() {
    if (!m_availableUpdate) {
        return;
    }
    // The defaults announce the write, which tells observers to read shouldShowAvailableUpdate.
    m_userDefaults.setValue(dismissedBuildKey, m_availableUpdate->build);
}

platform::Updater& AppUpdateService::updater() {
    if (!m_updater) {
        m_updater = m_updaterFactory(*this);
    }
    return *m_updater;
}

void AppUpdateService::setLastErrorMessage(std::optional<QString> message) {
    if (m_lastErrorMessage != message) {
        m_lastErrorMessage = std::move(message);
        emit lastErrorMessageChanged();
    }
}

void AppUpdateService::setAvailableUpdate(std::optional<AppUpdateNotice> notice) {
    if (m_availableUpdate != notice) {
        m_availableUpdate = std::move(notice);
        emit availableUpdateChanged();
        emit shouldShowAvailableUpdateChanged();
    }
}

} // namespace marlox::screens
