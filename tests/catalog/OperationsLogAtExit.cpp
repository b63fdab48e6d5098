// Logs many lines, lets the application object go at once, then prints how many lines the log
// file holds: the test of an orderly exit runs it.
#include "catalog/OperationsLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    const int lineCount = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    {
        QCoreApplication application(argc, argv);
        marlox::catalog::log(QStringLiteral("first"));
        // Reading a time stamp, as the records do, makes Qt's calendar data after the log's
        // worker, so that it goes before the worker at exit.
        QDateTime::fromString(QStringLiteral("2026-03-04T09:05:07Z"), Qt::ISODate);
        for (int index = 0; index < lineCount; ++index) {
            marlox::catalog::log(QStringLiteral("line %1").arg(index));
        }
    }
    QFile file(marlox::catalog::operationsLogFilePath());
    file.open(QIODevice::ReadOnly);
    std::printf("%lld\n", static_cast<long long>(file.readAll().count('\n')));
    return 0;
}
