#include "vector/PathReader.h"

#include "VectorTestSupport.h"

#include <QString>

#include <gtest/gtest.h>

using namespace marlox::vector;
using T = PathSegmentType;

TEST(PathReaderTest, ReadsCommandsIntoSegmentsGroupedByTheirValueCount) {
    struct Case {
        const char* text;
        QList<PathSegment> expected;
    };
    const QList<Case> cases = {
        {"M10 20L30 40Z", {{T::M, {10, 20}}, {T::L, {30, 40}}, {T::z, {}}}},
        {"M0,0 10,10 20,0", {{T::M, {0, 0}}, {T::L, {10, 10}}, {T::L, {20, 0}}}},
        {"m1 1 2 2", {{T::m, {1, 1}}, {T::l, {2, 2}}}},
        {"M 1 2 3", {{T::M, {1, 2}}}},
        {"L1 M2 3", {{T::M, {2, 3}}}},
        {"M1-2", {{T::M, {1, -2}}}},
        {"M.5.5", {{T::M, {0.5, 0.5}}}},
        {"M1e-3 0", {{T::M, {0.001, 0}}}},
        {"M1E3 4", {}},
        {"M+1 2", {}},
        {"H10 20", {{T::H, {10}}, {T::H, {20}}}},
        {"c1 2 3 4 5 6 7", {{T::c, {1, 2, 3, 4, 5, 6}}}},
        {"Q1 2 3 4 S5 6 7 8 t9 10", {{T::Q, {1, 2, 3, 4}}, {T::S, {5, 6, 7, 8}}, {T::t, {9, 10}}}},
        {"a5 5 0 1 0 10 10", {{T::a, {5, 5, 0, 1, 0, 10, 10}}}},
        {"a5,5,0,1,0,10,10", {{T::a, {5, 5, 0, 1, 0, 10, 10}}}},
        {"A1 1 0 11 5 5", {{T::A, {1, 1, 0, 1, 1, 5, 5}}}},
        {"A5 5 0 2 0 10 10", {}},
        {"", {}},
        {"Z", {{T::z, {}}}},
        {"z", {{T::z, {}}}},
        {"junk M1 2 ? v-3\n\t,4", {{T::M, {1, 2}}, {T::v, {-3}}, {T::v, {4}}}},
        {"E1 2 3 4 5 6", {}},
        {"M1e999 2 L3 4", {{T::L, {3, 4}}}},
    };
    for (const Case& testCase : cases)
        EXPECT_EQ(PathReader::readAll(QString::fromLatin1(testCase.text)), testCase.expected)
            << testCase.text;
}

TEST(PathReaderTest, ReportsAnEmptyCommandApartFromTheEndOfTheText) {
    PathReader reader(QStringLiteral("L1 M2 3 x"));
    EXPECT_EQ(reader.read(), QList<PathSegment>{});
    EXPECT_EQ(reader.read(), QList<PathSegment>({{T::M, {2, 3}}}));
    EXPECT_EQ(reader.read(), std::nullopt);
    EXPECT_EQ(reader.read(), std::nullopt);
}

TEST(PathReaderTest, ACommandLetterAtTheVeryEndStillYieldsItsResult) {
    PathReader closing(QStringLiteral("M1 2z"));
    EXPECT_TRUE(closing.read());
    EXPECT_EQ(closing.read(), QList<PathSegment>({{T::z, {}}}));
    EXPECT_EQ(closing.read(), std::nullopt);

    PathReader line(QStringLiteral("L"));
    EXPECT_EQ(line.read(), QList<PathSegment>{});
    EXPECT_EQ(line.read(), std::nullopt);
}

TEST(PathSegmentTest, UpperCaseAndTheBoxArcAreAbsolute) {
    const QList<T> absolute = {T::M, T::L, T::C, T::Q, T::A, T::H, T::V, T::S, T::T, T::E};
    const QList<T> relative = {T::z, T::m, T::l, T::c, T::q, T::a, T::h, T::v, T::s, T::t, T::e};
    for (const T type : absolute)
        EXPECT_TRUE(PathSegment(type, {}).isAbsolute()) << int(type);
    for (const T type : relative)
        EXPECT_FALSE(PathSegment(type, {}).isAbsolute()) << int(type);
}
