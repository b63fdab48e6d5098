#include "vector/SVGHelper.h"

#include <QPointF>
#include <QTransform>

#include <gtest/gtest.h>

using namespace marlox::vector;

namespace {

QTransform read(const char* text) {
    return SVGHelper::parseTransform(QString::fromUtf8(text), QTransform());
}

// A transform list, a point and where the list's transform puts it.
struct MappingCase {
    const char* text;
    QPointF point;
    QPointF expected;
};

template <std::size_t count> void expectMappings(const MappingCase (&cases)[count]) {
    for (const MappingCase& c : cases) {
        const QPointF actual = read(c.text).map(c.point);
        EXPECT_NEAR(actual.x(), c.expected.x(), 1e-9) << c.text;
        EXPECT_NEAR(actual.y(), c.expected.y(), 1e-9) << c.text;
    }
}

TEST(TransformList, MapsPointsAsTheWrittenFunctionsCompose) {
    const MappingCase cases[] = {
        {"", {3, 4}, {3, 4}},
        {"none", {3, 4}, {3, 4}},
        {"translate(5)", {1, 1}, {6, 1}},
        {"translate(5,-2)", {1, 1}, {6, -1}},
        {"scale(2)", {1, 3}, {2, 6}},
        {"scale(2,3)", {1, 1}, {2, 3}},
        {"rotate(90)", {1, 0}, {0, 1}},
        {"rotate(90 10 10)", {10, 10}, {10, 10}},
        {"rotate(90 10 10)", {11, 10}, {10, 11}},
        {"skewX(45)", {0, 1}, {1, 1}},
        {"skewY(45)", {1, 0}, {1, 1}},
        {"translate(10,0) scale(2)", {1, 0}, {12, 0}},
        {"scale(2) translate(10,0)", {1, 0}, {22, 0}},
        {"matrix(1,0,0,1,5,5) translate(10,0)", {0, 0}, {15, 5}},
        {"translate(10,0) matrix(2,0,0,2,0,0)", {1, 0}, {12, 0}},
        {"translate(1E1,2e-1)", {0, 0}, {10, 0.2}},
        {"translate(10,\n0)\nscale(2)", {1, 0}, {12, 0}},
        {"translate(1,-2)", {0, 0}, {1, -2}},
        // "1-2" is one number text of the pattern, which does not convert
        {"translate(1-2)", {0, 0}, {0, 0}},
    };
    expectMappings(cases);
}

TEST(TransformList, SkipsWhatItCannotReadAndGoesOn) {
    const MappingCase cases[] = {
        // two numbers are no rotation; the next function is still read
        {"rotate(45,10) translate(1,0)", {0, 0}, {1, 0}},
        // function names compare with case
        {"SCALE(2)", {1, 1}, {1, 1}},
        {"Scale(2) translate(1,1)", {1, 1}, {2, 2}},
        // forms the argument pattern does not cover
        {"scale(.5)", {1, 1}, {1, 1}},
        {"rotate (45)", {1, 0}, {1, 0}},
        {"translate(+1,2)", {0, 0}, {0, 0}},
        {"scale(2e)", {1, 1}, {1, 1}},
        // a bad matrix entry changes nothing but the list goes on
        {"matrix(1,0,0,1,1e,0) translate(2,0)", {0, 0}, {2, 0}},
        // non-finite numbers are unreadable
        {"translate(1e999,0) translate(1,0)", {0, 0}, {1, 0}},
        {"scale(1e200) scale(1e200)", {1, 1}, {1e200, 1e200}},
        // an unknown name among known ones
        {"wobble(3) translate(4)", {0, 0}, {4, 0}},
    };
    expectMappings(cases);
}

TEST(TransformList, ShortMatrixEndsTheWholeList) {
    const QTransform start = QTransform::fromTranslate(7, 0);
    const QTransform result =
        SVGHelper::parseTransform(u"translate(1,0) matrix(1,0,0,1) translate(5,5)", start);
    EXPECT_EQ(result.map(QPointF(0, 0)), QPointF(8, 0));
}

TEST(TransformList, AppliesNewFunctionsBeforeTheStartingTransform) {
    const QTransform start = QTransform::fromScale(2, 2);
    EXPECT_EQ(SVGHelper::parseTransform(u"translate(1,0)", start).map(QPointF(0, 0)),
              QPointF(2, 0));
}

TEST(TransformList, ListsTheNumberTextsOfAnArgumentList) {
    EXPECT_EQ(SVGHelper::parseNumbers(u"1,-2.5e-3 4. 5e 1.2.3"),
              QStringList({"1", "-2.5e-3", "4.", "5e", "1.2", "3"}));
    EXPECT_TRUE(SVGHelper::parseNumbers(u"no digits - .").isEmpty());
}

TEST(TransformList, FindsFunctionsInHostileTextWithoutBacktracking) {
    // GIVEN long digit runs that an ambiguous argument pattern would try to split every way
    QString text = QStringLiteral("scale(") + QString(20000, u'1') + QStringLiteral("x)");
    for (int i = 0; i < 2000; ++i) {
        text += QStringLiteral("a(1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e1e x) ");
    }
    text += QStringLiteral("translate(3)");
    // THEN the one readable function is still found
    EXPECT_EQ(SVGHelper::parseTransform(text, QTransform()).map(QPointF(0, 0)), QPointF(3, 0));
    // and a run that splits into several numbers reads as them
    EXPECT_EQ(SVGHelper::parseTransform(u"scale(1e1e1)", QTransform()).map(QPointF(1, 1)),
              QPointF(10, 1));
}

} // namespace
