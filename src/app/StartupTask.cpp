#include "StartupTask.h"

#include "catalog/CatalogService.h"
#include "screens/AppUpdateService.h"

namespace marlox::app {

QFuture<void> runStartupTask(catalog::CatalogService& catalogService,
                             screens::AppUpdateService& appUpdateService, QObject* window) {
    return catalogService.reload()
        .then(window,
              [&appUpdateService] {
                  return appUpdateService.refreshAvailableUpdate(/*silent=*/true);
              })
        .unwrap();
}

} // namespace marlox::app
