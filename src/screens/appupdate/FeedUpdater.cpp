#include "FeedUpdater.h"

#include "platform/Continuation.h"
#include "platform/Workspace.h"
#include "screens/appupdate/AppUpdateService.h"
#include "screens/appupdate/UpdateCheckDialog.h"

#include <QApplication>
#include <QtConcurrent/QtConcurrentRun>

namespace marlox::screens {

FeedUpdater::FeedUpdater(platform::UpdaterDelegate& delegate, platform::Bundle hostBundle,
                         std::shared_ptr<platform::HttpClient> httpClient,
                         platform::Workspace& workspace, QWidget* dialogParent)
    : m_delegate(delegate), m_hostBundle(std::move(hostBundle)),
      m_httpClient(std::move(httpClient)), m_workspace(workspace), m_dialogParent(dialogParent) {}

FeedUpdater::~FeedUpdater() {
    m_fetchThreads.waitForDone();
    delete m_dialog;
}

void FeedUpdater::checkForUpdates() {
    check();
}

QFuture<void> FeedUpdater::check() {
    UpdateCheckDialog& shown = dialog();
    if (m_runningCheck && !m_runningCheck->isFinished()) {
        shown.open();
        shown.raise();
        return *m_runningCheck;
    }
    shown.showChecking();
    shown.open();
    m_runningCheck = platform::continueOn(
        *this,
        QtConcurrent::run(&m_fetchThreads,
                          [feed = m_delegate.feedURLStringForUpdater(),
                           build = runningApplicationBuild(m_hostBundle),
                           http = m_httpClient] { return runUpdateCheck(feed, build, *http); }),
        [this](const UpdateCheckRun& run) {
            m_delegate.updaterDidReadFeed(run.feed);
            // Closing the dialog while it checks cancels the check.
            if (m_dialog && m_dialog->isVisible()) {
                m_dialog->showOutcome(run.outcome);
            }
        });
    return *m_runningCheck;
}

UpdateCheckDialog& FeedUpdater::dialog() {
    // Over the window the check was asked from, the active one, unless the updater was given
    // one; a dialog on show stays where it is.
    QWidget* parent = m_dialogParent ? m_dialogParent.data() : QApplication::activeWindow();
    if (m_dialog && !m_dialog->isVisible() && parent && m_dialog->parentWidget() != parent) {
        delete m_dialog;
    }
    if (!m_dialog) {
        m_dialog = new UpdateCheckDialog(parent);
        connect(m_dialog, &UpdateCheckDialog::downloadPageRequested, this,
                [this](const QUrl& page) { m_workspace.openURL(page); });
    }
    return *m_dialog;
}

} // namespace marlox::screens
