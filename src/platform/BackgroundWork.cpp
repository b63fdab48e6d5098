#include "BackgroundWork.h"

#include <QCoreApplication>

namespace marlox::platform {

QThreadPool* utilityThreadPool() {
    static QThreadPool pool;
    static const bool configured = [] {
        pool.setThreadPriority(QThread::LowPriority);
        // Its jobs use Qt's static data, which outlives the application object but not main.
        qAddPostRoutine([] { utilityThreadPool()->waitForDone(); });
        return true;
    }();
    Q_UNUSED(configured);
    return &pool;
}

} // namespace marlox::platform
