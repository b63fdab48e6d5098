#include "catalog/CacheWrites.h"

#include <QMutex>
#include <QSemaphore>
#include <QStringList>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

using marlox::catalog::CacheWrites;

namespace {

TEST(CacheWritesTest, AClearingWaitsForTheWriteUnderWayBeforeItClears) {
    // GIVEN a write under way, held inside until the test lets it end
    CacheWrites writes;
    QMutex orderLock;
    QStringList order;
    const auto note = [&](const QString& step) {
        const QMutexLocker lock(&orderLock);
        order.append(step);
    };
    QSemaphore writing;
    QSemaphore mayEnd;
    QFuture<void> write = QtConcurrent::run([&] {
        writes.write([&] {
            writing.release();
            mayEnd.acquire();
            note("write");
        });
    });
    writing.acquire();

    // WHEN a clearing starts meanwhile
    writes.holdWrites();
    QFuture<void> clearing =
        QtConcurrent::run([&] { writes.clearThenRelease([&] { note("clear"); }); });

    // THEN it does not clear while the write runs, and clears once it has ended
    QThread::msleep(200);
    EXPECT_FALSE(clearing.isFinished());
    mayEnd.release();
    write.waitForFinished();
    clearing.waitForFinished();
    EXPECT_EQ(order, QStringList({"write", "clear"}));
}

} // namespace
