#include "base/DerivedOnce.h"

#include <QList>
#include <QMap>
#include <QString>

#include <gtest/gtest.h>

using namespace marlox::base;

namespace {

TEST(DerivedOnceTest, DerivesAgainOnlyOnceAnInputIsNoLongerTheSameData) {
    // GIVEN a value derived from a list and a map, counting its derivations
    QList<int> numbers{1, 2, 3};
    QMap<QString, int> weights{{"a", 10}};
    int derivations = 0;
    const auto sum = [&](const QList<int>& list, const QMap<QString, int>& map) {
        ++derivations;
        int total = map.value("a");
        for (int number : list) {
            total += number;
        }
        return total;
    };
    DerivedOnce<int, QList<int>, QMap<QString, int>> derived;

    // WHEN it is asked again and again of the same data, or of copies sharing it, THEN it is
    // derived once
    EXPECT_EQ(derived.get(numbers, weights, sum), 16);
    const QList<int> copy = numbers;
    EXPECT_EQ(derived.get(copy, weights, sum), 16);
    EXPECT_EQ(derivations, 1);

    // WHEN either input changes, also in place, THEN it is derived again from the new data
    numbers.append(4);
    EXPECT_EQ(derived.get(numbers, weights, sum), 20);
    weights["a"] = 0;
    EXPECT_EQ(derived.get(numbers, weights, sum), 10);
    EXPECT_EQ(derived.get(numbers, weights, sum), 10);
    EXPECT_EQ(derivations, 3);
}

} // namespace
