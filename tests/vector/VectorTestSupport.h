#pragma once

#include "vector/PathSegment.h"
#include "vector/SVGBezierPath.h"

#include <QRectF>
#include <QStringList>
#include <QTransform>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>

namespace marlox::vector {

inline void PrintTo(const SVGBezierPath::Element& element, std::ostream* out) {
    *out << "kind " << int(element.kind);
    for (const QPointF& point : element.points)
        *out << " (" << point.x() << ", " << point.y() << ")";
}

namespace testing {

// Segments as text: the command letter and its numbers, segments apart by commas.
inline QString segmentsText(const QList<PathSegment>& segments) {
    QStringList parts;
    for (const PathSegment& segment : segments) {
        QString part(QLatin1Char("MLCQAzHVSTmlcqahvstEe"[int(segment.type())]));
        for (const double value : segment.data())
            part += u' ' + QString::number(value);
        parts.append(part);
    }
    return parts.join(u", ");
}

// A transform's six numbers as text, rounding errors near zero shown as zero.
inline QString transformText(const QTransform& t) {
    QStringList numbers;
    for (const double value : {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()})
        numbers.append(QString::number(std::abs(value) < 1e-12 ? 0 : value));
    return numbers.join(u' ');
}

using Element = SVGBezierPath::Element;

inline Element move(double x, double y) {
    return {Element::Kind::moveTo, {QPointF(x, y)}};
}
inline Element line(double x, double y) {
    return {Element::Kind::lineTo, {QPointF(x, y)}};
}
inline Element curve(double x1, double y1, double x2, double y2, double x, double y) {
    return {Element::Kind::curveTo, {QPointF(x1, y1), QPointF(x2, y2), QPointF(x, y)}};
}
inline Element close() {
    return {Element::Kind::closePath, {}};
}

// Same kinds in the same order, every point within the tolerance.
inline ::testing::AssertionResult elementsNear(const QList<Element>& actual,
                                               const QList<Element>& expected,
                                               double tolerance = 1e-9) {
    bool same = actual.size() == expected.size();
    for (qsizetype index = 0; same && index < actual.size(); ++index) {
        same = actual[index].kind == expected[index].kind;
        for (int point = 0; point < 3 && same; ++point)
            same = std::abs(actual[index].points[point].x() - expected[index].points[point].x()) <=
                       tolerance &&
                   std::abs(actual[index].points[point].y() - expected[index].points[point].y()) <=
                       tolerance;
    }
    if (same)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ::testing::PrintToString(actual) << ", expected "
                                         << ::testing::PrintToString(expected);
}

inline ::testing::AssertionResult rectNear(const QRectF& actual, const QRectF& expected,
                                           double tolerance = 1e-9) {
    const QList<Element> corners = {move(actual.x(), actual.y()),
                                    move(actual.width(), actual.height())};
    return elementsNear(
        corners, {move(expected.x(), expected.y()), move(expected.width(), expected.height())},
        tolerance);
}

inline bool isFinite(const QTransform& t) {
    const double values[] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    return std::all_of(std::begin(values), std::end(values),
                       [](double v) { return std::isfinite(v); });
}

} // namespace testing

} // namespace marlox::vector
