#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace marlox::bench {

// The middle of the runs, which other work on the machine sways less than the mean.
inline double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Points HOME and the XDG data, configuration and cache folders into the folder, so that what
// the benchmark writes never reaches the real home.
inline void useScratchHome(const QTemporaryDir& home) {
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
        qputenv(variable,
                QFile::encodeName(home.filePath(QString::fromLatin1(variable).toLower())));
    }
    qputenv("HOME", QFile::encodeName(home.path()));
}

// The main of a program whose benchmarks start the application's processes: they inherit a
// scratch home, a runtime folder of their own (where the running copy keeps its socket) and draw
// offscreen unless told otherwise.
inline int runProcessBenchmarks(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTemporaryDir home;
    useScratchHome(home);
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace marlox::bench
