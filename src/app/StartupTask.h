#pragma once

#include <QFuture>

class QWidget;

namespace marlox::catalog {
class CatalogService;
}

namespace marlox::screens {
class AppUpdateService;
}

namespace marlox::app {

// A window's start-up task: once the window has painted its first frame, which needs neither, the
// catalog reload, then, whatever its outcome, a silent check for a newer application. Each is
// awaited in turn without blocking the main thread; the task ends early, with nothing more
// started, when `window` closes or goes away. A window minimised or hidden before its first frame
// starts the task with its next one.
QFuture<void> runStartupTask(catalog::CatalogService& catalogService,
                             screens::AppUpdateService& appUpdateService, QWidget* window);

} // namespace marlox::app
