#include "vector/SVGScanner.h"

#include "VectorTestSupport.h"
#include "vector/SVGPreserveAspectRatio.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <tuple>

using namespace marlox::vector;
using namespace marlox::vector::testing;
using A = SVGPreserveAspectRatio::Align;

namespace {

const std::nullopt_t none = std::nullopt;

// A text, the value scanned from it and where the scanner stops.
template <typename Value> using ScanCase = std::tuple<const char*, std::optional<Value>, qsizetype>;

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

TEST(ReadDoubleTest, ValuesTooSmallToRepresentReadAsSignedZero) {
    const std::optional<double> positive = readDouble(u"1e-400");
    // As far below the smallest value in plain notation as in exponent form.
    const std::optional<double> negative =
        readDouble(QStringLiteral("-0.") + QString(400, QLatin1Char('0')) + QStringLiteral("1"));
    ASSERT_TRUE(positive && negative);
    EXPECT_EQ(std::bit_cast<quint64>(*positive), std::bit_cast<quint64>(0.0));
    EXPECT_EQ(std::bit_cast<quint64>(*negative), std::bit_cast<quint64>(-0.0));
    // A subnormal value is still a value.
    EXPECT_GT(readDouble(u"1e-310").value_or(0), 0.0);
}

TEST(SVGScannerTest, TakesAnExponentOnlyWithDigitsAfterItAndHexWithAnOptionalPrefix) {
    const ScanCase<double> decimals[] = {{"1e5x", 100000, 3}, {"1ex", 1, 1},    {"1e-x", 1, 1},
                                         {"+3", 3, 2},        {"-.5", -0.5, 3}, {"2E+2", 200, 4},
                                         {".e1", none, 0},    {"abc", none, 0}, {"1e999", none, 0},
                                         {"  -", none, 0}};
    for (const auto& [text, value, location] : decimals) {
        SVGScanner scanner(QString::fromLatin1(text));
        EXPECT_EQ(scanner.scanDouble(), value) << text;
        EXPECT_EQ(scanner.location(), location) << text;
    }
    const ScanCase<quint64> hexadecimals[] = {
        {"ff0000", 0xff0000, 6}, {" 0x1F;", 0x1f, 5}, {"0XaB", 0xab, 4},
        {"0xg", 0, 1},           {"0x", 0, 1},        {"12inherit", 0x12, 2},
        {"zz", none, 0},         {"#ff", none, 0},    {"ffffffffffffffffff", ~0ULL, 18}};
    for (const auto& [text, value, location] : hexadecimals) {
        SVGScanner scanner(QString::fromLatin1(text));
        EXPECT_EQ(scanner.scanHexUInt64(), value) << text;
        EXPECT_EQ(scanner.location(), location) << text;
    }
}

} // namespace
