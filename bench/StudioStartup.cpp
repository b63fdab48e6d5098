// The application's side of the start-up benchmark, a process of its own: the application object
// with its main window as the program's main makes them, ended at the window's first frame. With
// a file named on the command line, that file is the remote catalog.
#include "FirstFrameExit.h"
#include "app/AppPlatform.h"
#include "app/MarloxStudioApp.h"
#include "app/RootView.h"
#include "platform/Bundle.h"

#include <QApplication>
#include <QUrl>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    marlox::platform::setUpMainBundle(QStringLiteral(MARLOX_BUNDLE_DIR));
    marlox::app::AppPlatform platform = marlox::app::AppPlatform::system();
    if (argc > 1) {
        platform.configuration.remoteCatalogURL =
            QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1]));
    }
    marlox::app::MarloxStudioApp studio(std::move(platform));
    // The window shows inside openWindow(); its first paint comes from the event loop.
    const marlox::bench::FirstFrameExit exit(studio.openWindow());
    return QApplication::exec();
}
