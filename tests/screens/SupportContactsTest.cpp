#include "screens/SupportContacts.h"

#include <gtest/gtest.h>

using namespace marlox::screens;

namespace {

TEST(SupportContactsTest, TheProductPageIsShownWithoutItsScheme) {
    EXPECT_EQ(addressWithoutScheme("https://marlox.studio/studio"), "marlox.studio/studio");
    EXPECT_EQ(addressWithoutScheme("http://example.com"), "example.com");
    EXPECT_EQ(addressWithoutScheme("marlox.studio"), "marlox.studio");
}

} // namespace
