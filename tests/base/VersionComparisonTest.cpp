#include "base/VersionComparison.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace marlox::base;

namespace {

TEST(CompareVersionsTest, ComparesDottedPartsAsIntegers) {
    // Each case reads "lhs <op> rhs"; it must hold both ways round.
    for (const char* text : {"1.2 = 1.2.0", "1.10 > 1.9", "1.2-beta < 1.2", "r1.2 > 1.2", " = 0",
                             "-1 < 0", "+3 = 3", "1..2 = 1.2", ".1. = 1", "1.x.3 = 1.3",
                             "2.0 < 10.0", "1.0.1 > 1.0", "99999999999999999999 = 0",
                             "1.99999999999999999999.2 = 1.2", "+-1 = 0", "1.٣ = 1", " = "}) {
        const QStringList parts = QString::fromUtf8(text).split(' ');
        const int expected = parts[1] == "<" ? -1 : parts[1] == ">" ? 1 : 0;
        EXPECT_EQ(compareVersions(parts[0], parts[2]), expected) << text;
        EXPECT_EQ(compareVersions(parts[2], parts[0]), -expected) << text;
    }
}

} // namespace
