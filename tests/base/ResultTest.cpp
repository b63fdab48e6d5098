#include "base/Result.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Outcome = marlox::Result<std::string, int>;

// Asking an error for its value is a programming error: the program ends with a message instead
// of throwing, in a code base that uses no exceptions.
TEST(ResultDeathTest, AskingTheWrongSideEndsTheProgramWithAMessage) {
    EXPECT_DEATH((void)Outcome(7).value(), "value\\(\\) asked of an error");
    EXPECT_DEATH((void)Outcome(std::string("made")).error(), "error\\(\\) asked of a value");
}

} // namespace
