// A test program of one test that logs a burst of lines and ends without waiting for them; the
// log's test runs it with a home of its own to see that none of them reaches that home.
#include "catalog/OperationsLog.h"

#include <gtest/gtest.h>

TEST(LinesLeftAtTheEnd, LogsABurstAndEndsAtOnce) {
    for (int index = 0; index < 2000; ++index) {
        marlox::catalog::log(QStringLiteral("line %1").arg(index));
    }
    SUCCEED();
}
