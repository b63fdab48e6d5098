#include "vector/SVGScanner.h"

#include <QString>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

using namespace marlox::vector;

TEST(ReadDoubleTest, ReadsOnlyWholeFiniteDecimalTexts) {
    struct Case {
        const char* text;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"12", 12},
        {"-.5", -0.5},
        {"5.", 5},
        {"1e3", 1000},
        {"1E3", 1000},
        {"2.5e-1", 0.25},
        {"+5", 5},
        {"1e+2", 100},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
        {"", std::nullopt},
        {".", std::nullopt},
        {"-", std::nullopt},
        {"+-5", std::nullopt},
        {"1e", std::nullopt},
        {"1e2e3", std::nullopt},
        {"1,5", std::nullopt},
        {"0x10", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"infinity", std::nullopt},
        {"1e999", std::nullopt},
        {"-1e999", std::nullopt},
    };
    for (const Case& testCase : cases) {
        const std::optional<double> value = readDouble(QString::fromLatin1(testCase.text));
        EXPECT_EQ(value, testCase.expected) << testCase.text;
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
    EXPECT_EQ(*positive, 0.0);
    EXPECT_FALSE(std::signbit(*positive));
    EXPECT_EQ(*negative, 0.0);
    EXPECT_TRUE(std::signbit(*negative));
    // A subnormal value is still a value.
    EXPECT_GT(readDouble(u"1e-310").value_or(0), 0.0);
}

TEST(SVGScannerTest, ReadsANumberThenTheRunOfLettersAfterIt) {
    SVGScanner scanner(QStringLiteral("  12.5 px rest"));
    EXPECT_EQ(scanner.scanDouble(), 12.5);
    EXPECT_EQ(scanner.scanCharacters([](QChar c) { return c.isLetter(); }), QStringLiteral("px"));
    EXPECT_TRUE(scanner.scanString(u"rest"));
    EXPECT_TRUE(scanner.isAtEnd());
}

TEST(SVGScannerTest, TakesAnExponentOnlyWithDigitsAfterIt) {
    struct Case {
        const char* text;
        std::optional<double> value;
        qsizetype location;
    };
    const Case cases[] = {
        {"1e5x", 100000, 3},
        {"1ex", 1, 1},
        {"1e-x", 1, 1},
        {"+3", 3, 2},
        {"-.5", -0.5, 3},
        {"2E+2", 200, 4},
        {".e1", std::nullopt, 0},
        {"abc", std::nullopt, 0},
        {"1e999", std::nullopt, 0},
        {"  -", std::nullopt, 0},
    };
    for (const Case& testCase : cases) {
        SVGScanner scanner(QString::fromLatin1(testCase.text));
        EXPECT_EQ(scanner.scanDouble(), testCase.value) << testCase.text;
        EXPECT_EQ(scanner.location(), testCase.location) << testCase.text;
    }
}

TEST(SVGScannerTest, ReadsHexadecimalNumbersWithAnOptionalPrefix) {
    struct Case {
        const char* text;
        std::optional<quint64> value;
        qsizetype location;
    };
    const Case cases[] = {
        {"ff0000", 0xff0000, 6},
        {" 0x1F;", 0x1f, 5},
        {"0XaB", 0xab, 4},
        {"0xg", 0, 1},
        {"0x", 0, 1},
        {"12inherit", 0x12, 2},
        {"ffffffffffffffffff", std::numeric_limits<quint64>::max(), 18},
        {"zz", std::nullopt, 0},
        {"#ff", std::nullopt, 0},
    };
    for (const Case& testCase : cases) {
        SVGScanner scanner(QString::fromLatin1(testCase.text));
        EXPECT_EQ(scanner.scanHexUInt64(), testCase.value) << testCase.text;
        EXPECT_EQ(scanner.location(), testCase.location) << testCase.text;
    }
}

TEST(SVGScannerTest, SkipsWhiteSpaceOnlyWhenAskedTo) {
    SVGScanner scanner(QStringLiteral(" 7 "));
    scanner.setSkipsWhitespace(false);
    EXPECT_FALSE(scanner.scanDouble());
    EXPECT_FALSE(scanner.isAtEnd());
    scanner.setSkipsWhitespace(true);
    EXPECT_EQ(scanner.scanDouble(), 7);
    EXPECT_TRUE(scanner.isAtEnd());
    EXPECT_FALSE(scanner.scanString(u"x"));
    EXPECT_FALSE(scanner.scanCharacters([](QChar) { return true; }));
}
