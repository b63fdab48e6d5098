#include "BackgroundWork.h"

namespace marlox::platform {

QThreadPool* utilityThreadPool() {
    static QThreadPool pool;
    static const bool configured = [] {
        pool.setThreadPriority(QThread::LowPriority);
        return true;
    }();
    Q_UNUSED(configured);
    return &pool;
}

} // namespace marlox::platform
