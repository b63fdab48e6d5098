#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// What the benchmarks of widgets share: the program around them and the main thread's stalls.
namespace marlox::bench {

// Runs the program's benchmarks with an offscreen application in a scratch home that goes away
// with the process, the built bundle being the main one; nothing reaches the real home.
int runWidgetBenchmarks(int argc, char** argv);

// From its making, a 1 ms timer on the main thread notes the longest gap between its ticks: the
// longest the main thread was held from handling events. It notes too the most processor time the
// main thread spent between two ticks, which other work on a shared machine does not stretch.
// `onTick` runs at every tick.
class MainThreadStallMeter {
public:
    explicit MainThreadStallMeter(std::function<void()> onTick = {});

    qint64 elapsedNanoseconds() const { return m_clock.nsecsElapsed(); }
    double longestStallMilliseconds() const { return m_longest / 1e6; }
    double longestBusyMilliseconds() const { return m_longestBusy / 1e6; }

private:
    QElapsedTimer m_clock;
    QTimer m_ticks;
    qint64 m_lastTick = 0;
    qint64 m_longest = 0;
    qint64 m_lastBusy = 0;
    qint64 m_longestBusy = 0;
};

} // namespace marlox::bench
