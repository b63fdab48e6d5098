#include "vector/PathReader.h"

#include "VectorTestSupport.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

TEST(PathReaderTest, ReadsCommandsIntoSegmentsGroupedByTheirValueCount) {
    const std::pair<const char*, const char*> cases[] = {
        {"M10 20L30 40Z", "M 10 20, L 30 40, z"},
        {"M0,0 10,10 20,0", "M 0 0, L 10 10, L 20 0"},
        {"m1 1 2 2", "m 1 1, l 2 2"},
        {"M 1 2 3", "M 1 2"},
        {"L1 M2 3", "M 2 3"},
        {"M1-2", "M 1 -2"},
        {"M.5.5", "M 0.5 0.5"},
        {"M1e-3 0", "M 0.001 0"},
        {"M1E3 4", ""},
        {"M+1 2", ""},
        {"H10 20", "H 10, H 20"},
        {"Q1 2 3 4 S5 6 7 8 t9 10", "Q 1 2 3 4, S 5 6 7 8, t 9 10"},
        {"a5,5,0,1,0,10,10", "a 5 5 0 1 0 10 10"},
        {"A1 1 0 11 5 5", "A 1 1 0 1 1 5 5"},
        {"A5 5 0 2 0 10 10", ""},
        {"", ""},
        {"z", "z"},
        {"junk M1 2 ? v-3\n\t,4", "M 1 2, v -3, v 4"},
        {"E1 2 3 4 5 6", ""},
        {"M1e999 2 L3 4", "L 3 4"}};
    for (const auto& [text, segments] : cases) {
        EXPECT_EQ(segmentsText(PathReader::readAll(QString::fromLatin1(text))), segments) << text;
    }
}

} // namespace
