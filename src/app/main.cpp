#include "app/AppPlatform.h"
#include "app/MarloxStudioApp.h"
#include "catalog/Environment.h"
#include "platform/Bundle.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"

#include <QApplication>

using namespace marlox;

namespace {

// Set before main runs, once the libraries are loaded: a terminate request during the start
// ends it in order instead of on the spot.
[[maybe_unused]] const bool terminationSignalsCaught =
    (platform::TerminationSignals::catchFromNow(), true);

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const platform::Bundle& mainBundle = platform::mainBundle();
    QApplication::setApplicationDisplayName(catalog::appDisplayName(mainBundle));
    platform::SingleInstance instance(
        platform::SingleInstance::serverName(app::applicationBundleIdentifier(mainBundle)));
    if (instance.forwardOpenWindowRequest()) {
        return 0;
    }
    instance.listen();
    platform::TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &platform::TerminationSignals::terminationRequested,
                     &application, &QCoreApplication::quit);

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
