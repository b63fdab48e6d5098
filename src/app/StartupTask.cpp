#include "StartupTask.h"

#include "catalog/CatalogService.h"
#include "platform/Continuation.h"
#include "screens/AppUpdateService.h"

#include <QPointer>

namespace marlox::app {

QFuture<void> runStartupTask(catalog::CatalogService& catalogService,
                             screens::AppUpdateService& appUpdateService, QObject* window) {
    // The continuation runs in the context of the update service, which lives as long as the
    // application, while the window may be gone; an application that quits first cancels it.
    return platform::continueOn(appUpdateService, catalogService.reload(),
                                [&appUpdateService, window = QPointer<QObject>(window)] {
                                    if (window.isNull()) {
                                        return QtFuture::makeReadyFuture();
                                    }
                                    return appUpdateService.refreshAvailableUpdate(
                                        /*silent=*/true);
                                })
        .unwrap();
}

} // namespace marlox::app
