#include "StartupTask.h"

#include "catalog/CatalogService.h"
#include "platform/Continuation.h"
#include "screens/appupdate/AppUpdateService.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QPromise>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <utility>

namespace marlox::app {
namespace {

// Calls back once any widget of the window has painted and that frame is done. It belongs to the
// window: a window closed or gone before it painted calls nothing, and lets the callback go at
// once (a closed window is deleted only when the event loop gets back to where it was closed).
// A window minimised or hidden before it painted waits for its next frame.
class FirstFrame final : public QObject {
public:
    FirstFrame(QWidget* window, std::function<void()> painted)
        : QObject(window), m_window(window), m_painted(std::move(painted)) {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The filter sees a close before the window answers it: a window that takes it hides at
        // once, by the program's hand, where minimising hides it by the system's.
        if (watched == m_window && event->type() == QEvent::Close) {
            m_closeAsked = true;
            return false;
        }
        if (watched == m_window && event->type() == QEvent::Hide &&
            std::exchange(m_closeAsked, false) && !event->spontaneous()) {
            QCoreApplication::instance()->removeEventFilter(this);
            m_painted = {};
            return false;
        }
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == m_window) {
            QCoreApplication::instance()->removeEventFilter(this);
            // After the rest of the frame, not inside this one widget's paint.
            QTimer::singleShot(0, this, [this] {
                if (m_painted) {
                    m_painted();
                }
                deleteLater();
            });
        }
        return false;
    }

private:
    QWidget* m_window;
    std::function<void()> m_painted;
    bool m_closeAsked = false;
};

} // namespace

QFuture<void> runStartupTask(catalog::CatalogService& catalogService,
                             screens::AppUpdateService& appUpdateService, QWidget* window) {
    // Each step waits in the update service's lifetime, which is the application's: a step whose
    // owner is gone breaks the task's promise, which cancels its future.
    auto task = std::make_shared<QPromise<void>>();
    task->start();
    QFuture<void> future = task->future();
    new FirstFrame(
        window, [&catalogService, &appUpdateService, window = QPointer<QWidget>(window), task] {
            platform::continueOn(
                appUpdateService, catalogService.reload(), [&appUpdateService, window, task] {
                    if (window.isNull()) {
                        task->finish();
                        return;
                    }
                    platform::continueOn(appUpdateService,
                                         appUpdateService.refreshAvailableUpdate(/*silent=*/true),
                                         [task] { task->finish(); });
                });
        });
    return future;
}

} // namespace marlox::app
