#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace marlox::platform {

// What the update framework asks of the application.
class UpdaterDelegate {
public:
    virtual ~UpdaterDelegate() = default;
    // The appcast feed the framework reads; nothing when none is configured.
    virtual std::optional<QString> feedURLStringForUpdater() const = 0;
    // A check of the framework has read the feed: its bytes, or nothing when they could not be
    // fetched. On the main thread. The application learns what the feed announces from the
    // check's own reading, so that one check costs one request.
    virtual void updaterDidReadFeed(const std::optional<QByteArray>& feed) = 0;
};

// The update framework: running from the moment it is made; a user check shows the framework's
// own interface for whatever the feed announces.
class Updater {
public:
    virtual ~Updater() = default;
    virtual void checkForUpdates() = 0;
};

// Makes the application's one updater; the delegate outlives it.
using UpdaterFactory = std::function<std::unique_ptr<Updater>(UpdaterDelegate& delegate)>;

} // namespace marlox::platform
