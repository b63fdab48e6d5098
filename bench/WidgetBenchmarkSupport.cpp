#include "WidgetBenchmarkSupport.h"

#include "platform/Bundle.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>

namespace marlox::bench {

int runWidgetBenchmarks(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
        qputenv(variable,
                QFile::encodeName(home.filePath(QString::fromLatin1(variable).toLower())));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    platform::setUpMainBundle(QStringLiteral(MARLOX_BUNDLE_DIR));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

namespace {

qint64 mainThreadProcessorNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<qint64>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

MainThreadStallMeter::MainThreadStallMeter(std::function<void()> onTick) {
    m_ticks.setInterval(1);
    m_lastBusy = mainThreadProcessorNanoseconds();
    QObject::connect(&m_ticks, &QTimer::timeout, [this, onTick = std::move(onTick)] {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_lastTick);
        m_lastTick = now;
        const qint64 busy = mainThreadProcessorNanoseconds();
        m_longestBusy = std::max(m_longestBusy, busy - m_lastBusy);
        m_lastBusy = busy;
        if (onTick) {
            onTick();
        }
    });
    m_clock.start();
    m_ticks.start();
}

} // namespace marlox::bench
