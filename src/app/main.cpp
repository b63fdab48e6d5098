#include "app/AppPlatform.h"
#include "app/MarloxStudioApp.h"
#include "catalog/Environment.h"
#include "platform/Bundle.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"

#include <QApplication>

using namespace marlox;

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
    return QApplication::exec();
}
