#pragma once

#include "platform/Bundle.h"
#include "platform/HttpClient.h"
#include "platform/Updater.h"
#include "screens/appupdate/UpdateCheck.h"

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <memory>

class QWidget;

namespace marlox::platform {
class Workspace;
}

namespace marlox::screens {

class UpdateCheckDialog;

// The updater where no update framework is at hand: a user's check reads the delegate's feed
// and shows, in a plain dialog, whether a newer build is announced, with its download page, or
// why the check failed. It never downloads or installs anything, and checks nothing on its own.
class FeedUpdater final : public QObject, public platform::Updater {
    Q_OBJECT

public:
    // A check compares the feed with the build of `hostBundle`, the application being updated.
    // Its dialog stands over `dialogParent`, or else over the window active when it is asked.
    FeedUpdater(platform::UpdaterDelegate& delegate, platform::Bundle hostBundle,
                std::shared_ptr<platform::HttpClient> httpClient, platform::Workspace& workspace,
                QWidget* dialogParent = nullptr);
    ~FeedUpdater() override;

    void checkForUpdates() override;
    // The same check; the future finishes once its outcome is shown. A check asked for while one
    // runs joins it.
    QFuture<void> check();

private:
    UpdateCheckDialog& dialog();

    platform::UpdaterDelegate& m_delegate;
    const platform::Bundle m_hostBundle;
    std::shared_ptr<platform::HttpClient> m_httpClient;
    platform::Workspace& m_workspace;
    QPointer<QWidget> m_dialogParent;
    QPointer<UpdateCheckDialog> m_dialog;
    std::optional<QFuture<void>> m_runningCheck;

    // Last, so that it is destroyed first and waits for a fetch that still runs.
    QThreadPool m_fetchThreads;
};

} // namespace marlox::screens
