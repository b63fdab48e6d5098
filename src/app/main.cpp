#include "app/AppPlatform.h"
#include "app/Launch.h"
#include "app/MarloxStudioApp.h"
#include "catalog/Environment.h"
#include "platform/Bundle.h"
#include "platform/ExclusiveFileLock.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"

#include <QApplication>

#include <chrono>
#include <optional>

using namespace marlox;

namespace {

// Set before main runs, once the libraries are loaded: a terminate request during the start
// ends it in order instead of on the spot.
[[maybe_unused]] const bool terminationSignalsCaught =
    (platform::TerminationSignals::catchFromNow(), true);

// A copy launched at the same moment listens right after taking the lock, long before this.
constexpr std::chrono::milliseconds startingCopyListenerWait(1000);

} // namespace

int main(int argc, char* argv[]) {
    // Released after the application object, whose end waits for the work still running on
    // other threads, which may change the user's data until then.
    std::optional<platform::ExclusiveFileLock> userDataLock;
    QApplication application(argc, argv);
    const platform::Bundle& mainBundle = platform::mainBundle();
    QApplication::setApplicationDisplayName(catalog::appDisplayName(mainBundle));
    platform::TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &platform::TerminationSignals::terminationRequested,
                     &application, &QCoreApplication::quit);
    platform::SingleInstance instance(
        platform::SingleInstance::serverName(app::applicationBundleIdentifier(mainBundle)));

    const auto handover = instance.forwardOpenWindowRequest();
    if (handover == platform::SingleInstance::Handover::accepted) {
        return 0;
    }
    // The lock, not whether another copy answers, decides which copy settles journals and
    // changes installed files: a copy may be slow to answer, or starting at the same moment.
    auto lock = platform::ExclusiveFileLock::take(catalog::runningCopyLockFilePath());
    if (lock) {
        userDataLock.emplace(std::move(lock).value());
    } else if (lock.error().heldElsewhere) {
        // A copy launched at the same moment holds the lock but may not listen yet; one that
        // listened and did not answer is not asked twice.
        if (handover == platform::SingleInstance::Handover::nobodyListens &&
            instance.forwardOpenWindowRequest(startingCopyListenerWait) ==
                platform::SingleInstance::Handover::accepted) {
            return 0;
        }
        return app::endBecauseAnotherCopyRuns();
    } else {
        // A file system that keeps no locks, or a folder that cannot be written, should not keep
        // the user from the application: it runs as it would alone.
        app::reportAtLaunch(lock.error().description() +
                            QStringLiteral(" This copy runs without it."));
    }
    instance.listen();

    app::MarloxStudioApp studio(app::AppPlatform::system());
    QObject::connect(&studio, &app::MarloxStudioApp::terminationRequested, &application,
                     &QCoreApplication::quit);
    QObject::connect(&instance, &platform::SingleInstance::openWindowRequested, &studio,
                     &app::MarloxStudioApp::openWindow);
    studio.openWindow();
    // A request that came before the event loop runs would reach a quit that does nothing yet.
    if (platform::TerminationSignals::requested()) {
        return 0;
    }
    return QApplication::exec();
}
