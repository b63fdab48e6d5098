#include "base/Result.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Outcome = marlox::Result<std::string, int>;

TEST(ResultTest, HoldsTheValueOrTheError) {
    const Outcome value(std::string("made"));
    const Outcome error(7);
    EXPECT_TRUE(value && !error);
    EXPECT_EQ(*value, "made");
    EXPECT_EQ(value->size(), 4u);
    EXPECT_EQ(error.error(), 7);
    EXPECT_EQ(Outcome(std::string("moved")).value(), "moved");
}

// Asking an error for its value is a programming error: the program ends with a message instead
// of throwing, in a code base that uses no exceptions.
TEST(ResultDeathTest, AskingTheWrongSideEndsTheProgramWithAMessage) {
    EXPECT_DEATH((void)Outcome(7).value(), "value\\(\\) asked of an error");
    EXPECT_DEATH((void)Outcome(std::string("made")).error(), "error\\(\\) asked of a value");
}

} // namespace
