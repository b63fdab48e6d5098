// The application object with its main window, from construction to the window's first painted
// frame, against a bare QMainWindow holding one label in the same run. The bound is 1.5 times
// the bare window plus 150 ms.
#include "BenchmarkSupport.h"
#include "app/AppPlatform.h"
#include "app/MarloxStudioApp.h"
#include "app/RootView.h"
#include "platform/Bundle.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Notes the first paint of any widget in the watched window.
class FirstPaintWatcher final : public QObject {
public:
    explicit FirstPaintWatcher(const QWidget* window) : m_window(window) {
        qApp->installEventFilter(this);
    }
    ~FirstPaintWatcher() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == m_window) {
            m_painted = true;
        }
        return false;
    }

    void awaitFirstPaint() const {
        while (!m_painted) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                            50);
        }
    }

private:
    const QWidget* m_window;
    bool m_painted = false;
};

double millisecondsSince(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

// Builds and shows a window, waits for its first paint; the teardown is not timed.
double timeToFirstPaint(const std::function<QWidget*()>& showWindow,
                        const std::function<void()>& tearDown) {
    QElapsedTimer timer;
    timer.start();
    const QWidget* window = showWindow();
    FirstPaintWatcher watcher(window);
    watcher.awaitFirstPaint();
    const double elapsed = millisecondsSince(timer);
    tearDown();
    return elapsed;
}

void BM_StudioWindowAgainstBareWindow(benchmark::State& state) {
    std::vector<double> studioMilliseconds;
    std::vector<double> bareMilliseconds;
    for (auto _ : state) {
        std::unique_ptr<QMainWindow> bare;
        bareMilliseconds.push_back(timeToFirstPaint(
            [&] {
                bare = std::make_unique<QMainWindow>();
                bare->setCentralWidget(new QLabel(QStringLiteral("Marlox Studio")));
                bare->resize(1100, 700);
                bare->show();
                return bare.get();
            },
            [&] { bare.reset(); }));

        std::unique_ptr<marlox::app::MarloxStudioApp> studio;
        const double studioTime = timeToFirstPaint(
            [&] {
                studio = std::make_unique<marlox::app::MarloxStudioApp>(
                    marlox::app::AppPlatform::system());
                return studio->openWindow();
            },
            [&] {
                // Its last steps run on this thread, so the loop turns until it has ended.
                const QFuture<void> startup = studio->startupTask();
                while (!startup.isFinished()) {
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
                }
                studio.reset();
            });
        studioMilliseconds.push_back(studioTime);
        state.SetIterationTime(studioTime / 1e3);
    }
    const double studio = marlox::bench::median(studioMilliseconds);
    const double bare = marlox::bench::median(bareMilliseconds);
    const double bound = 1.5 * bare + 150;
    state.counters["studio_median_ms"] = studio;
    state.counters["bare_median_ms"] = bare;
    state.counters["bound_ms"] = bound;
    state.counters["within_bound"] = studio <= bound ? 1 : 0;
}
BENCHMARK(BM_StudioWindowAgainstBareWindow)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);

} // namespace

int main(int argc, char** argv) {
    // The application writes its settings, records and log into a scratch home, never the real
    // one, and draws offscreen unless told otherwise.
    QTemporaryDir home;
    marlox::bench::useScratchHome(home);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    marlox::platform::setUpMainBundle(QStringLiteral(MARLOX_BUNDLE_DIR));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
