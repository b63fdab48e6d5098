#include "vector/SVGScanner.h"

#include "VectorTestSupport.h"

#include <gtest/gtest.h>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

const std::nullopt_t none = std::nullopt;

TEST(ReadDoubleTest, ReadsOnlyWholeFiniteDecimalTexts) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"12", 12},         {"-.5", -0.5},   {"5.", 5},       {"1e3", 1000}, {"1E3", 1000},
        {"2.5e-1", 0.25},   {"+5", 5},       {"1e+2", 100},   {" 5", none},  {"5 ", none},
        {"", none},         {".", none},     {"-", none},     {"+-5", none}, {"1e", none},
        {"1e2e3", none},    {"1,5", none},   {"0x10", none},  {"inf", none}, {"nan", none},
        {"infinity", none}, {"1e999", none}, {"-1e999", none}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(readDouble(QString::fromLatin1(text)), value) << text;
    }
    // An Arabic-Indic digit is a digit to Unicode, not to a number reader.
    EXPECT_EQ(readDouble(QString::fromUtf8("\u0661")), std::nullopt);
}

} // namespace
