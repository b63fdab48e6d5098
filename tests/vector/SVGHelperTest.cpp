#include "vector/SVGHelper.h"

#include "ParseTestSupport.h"

#include <QPointF>
#include <QTransform>

#include <gtest/gtest.h>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

TEST(PlainNumber, ReadsPixelsAndReportsOtherUnits) {
    CapturedOutput output;
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"none", 0}, {"3px", 3}, {"50%", 50}, {"2PX", 2}, {"abc", {}}, {"nan", {}}, {"", {}}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(SVGHelper::parseNumber(QString::fromUtf8(text)), value) << text;
    }
    EXPECT_EQ(output.lines(),
              QStringList({unitMessage("PX"), unitMessage("abc"), unitMessage("nan")}));
}

TEST(PointListAndDashArray, PairNumbersUpToAForeignCharacterAndSkipPartsWithoutNumbers) {
    const QList<QPointF> two = {{1, 2}, {3, 4}}, one = {{1, 2}}, none;
    const std::pair<const char*, QList<QPointF>> points[] = {
        {"1,2 3,4 5", two}, {"  1 2,,3\n4  ", two}, {"1,2 3,4;5,6", two}, {"1 2 x 3 4", one},
        {"1;2", none},      {"1e999 2 3 4", none},  {"", none},           {"7", none}};
    for (const auto& [text, expected] : points) {
        EXPECT_EQ(SVGHelper::parsePoints(QString::fromUtf8(text)), expected) << text;
    }
    const std::pair<const char*, QList<double>> dashes[] = {
        {"5, 3", {5, 3}}, {"none", {0}}, {"4 x 2", {4, 2}}, {"1,,2", {1, 2}}};
    for (const auto& [value, expected] : dashes) {
        CapturedOutput output;
        EXPECT_EQ(SVGHelper::parseDashArray({{"stroke-dasharray", QString::fromUtf8(value)}}),
                  expected)
            << value;
    }
    EXPECT_TRUE(SVGHelper::parseDashArray({}).isEmpty());
}

TEST(TransformList, ComposesTheWrittenFunctionsAfterTheStartAndSkipsWhatItCannotRead) {
    // "1-2" is one number text of the pattern, which does not convert; two numbers are no
    // rotation; names compare with case; ".5" and a space before the brackets are forms the
    // pattern does not cover. A bad matrix entry or a non-finite number changes
    // nothing, but the list goes on.
    const std::pair<const char*, const char*> singleFunctions[] = {
        {"", "1 0 0 1 0 0"},
        {"translate(5)", "1 0 0 1 5 0"},
        {"translate(5,-2)", "1 0 0 1 5 -2"},
        {"scale(2)", "2 0 0 2 0 0"},
        {"scale(2,3)", "2 0 0 3 0 0"},
        {"rotate(90)", "0 1 -1 0 0 0"},
        {"rotate(90 10 10)", "0 1 -1 0 20 0"},
        {"skewX(45)", "1 0 1 1 0 0"},
        {"skewY(45)", "1 1 0 1 0 0"},
        {"matrix(1,2,3,4,5,6)", "1 2 3 4 5 6"},
        {"translate(1E1,2e-1)", "1 0 0 1 10 0.2"},
        {"translate(1-2)", "1 0 0 1 0 0"},
        {"scale(.5)", "1 0 0 1 0 0"},
        {"rotate (45)", "1 0 0 1 0 0"},
    };
    const std::pair<const char*, const char*> lists[] = {
        {"translate(10,0) scale(2)", "2 0 0 2 10 0"},
        {"scale(2) translate(10,0)", "2 0 0 2 20 0"},
        {"translate(10,\n0)\nscale(2)", "2 0 0 2 10 0"},
        {"rotate(45,10) translate(1,0)", "1 0 0 1 1 0"},
        {"Scale(2) translate(1,1)", "1 0 0 1 1 1"},
        {"matrix(1,0,0,1,1e,0) translate(2,0)", "1 0 0 1 2 0"},
        {"translate(1e999,0) translate(1,0)", "1 0 0 1 1 0"},
        {"wobble(3) translate(4)", "1 0 0 1 4 0"},
        {"scale(1e200) scale(1e200)", "1e+200 0 0 1e+200 0 0"}};
    for (const auto& [text, transform] : lists) {
        EXPECT_EQ(transformText(SVGHelper::parseTransform(QString::fromUtf8(text), QTransform())),
                  transform)
            << text;
    }
    for (const auto& [text, transform] : singleFunctions) {
        EXPECT_EQ(transformText(SVGHelper::parseTransform(QString::fromUtf8(text), QTransform())),
                  transform)
            << text;
    }
    // New functions apply before the starting transform; a short matrix ends the whole list.
    EXPECT_EQ(
        transformText(SVGHelper::parseTransform(u"translate(1,0)", QTransform::fromScale(2, 2))),
        "2 0 0 2 2 0");
    EXPECT_EQ(
        transformText(SVGHelper::parseTransform(u"translate(1,0) matrix(1,0,0,1) translate(5,5)",
                                                QTransform::fromTranslate(7, 0))),
        "1 0 0 1 8 0");
}

TEST(TransformList, FindsFunctionsInHostileTextWithoutBacktracking) {
    // GIVEN long digit runs that an ambiguous argument pattern would try to split every way
    QString text = QStringLiteral("scale(") + QString(20000, u'1') + QStringLiteral("x)");
    text += QStringLiteral("a(1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e x) ").repeated(2000);
    text += QStringLiteral("translate(3)");
    // THEN the one readable function is still found
    EXPECT_EQ(SVGHelper::parseTransform(text, QTransform()).map(QPointF(0, 0)), QPointF(3, 0));
    // and a run that splits into several numbers reads as them
    EXPECT_EQ(SVGHelper::parseTransform(u"scale(1e1e1)", QTransform()).map(QPointF(1, 1)),
              QPointF(10, 1));
}

} // namespace
