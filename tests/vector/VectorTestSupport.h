#pragma once

#include "vector/PathSegment.h"
#include "vector/SVGBezierPath.h"

#include <QRectF>
#include <QTransform>

#include <gtest/gtest.h>

#include <ostream>

namespace marlox::vector {

inline void PrintTo(const PathSegment& segment, std::ostream* out) {
    *out << "segment " << int(segment.type()) << " (";
    for (const double value : segment.data())
        *out << value << ' ';
    *out << ')';
}

inline void PrintTo(const SVGBezierPath::Element& element, std::ostream* out) {
    static const char* const names[] = {"move", "line", "curve", "close"};
    *out << names[int(element.kind)];
    for (const QPointF& point : element.points)
        *out << " (" << point.x() << ", " << point.y() << ")";
}

namespace testing {

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
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure()
               << actual.size() << " elements, expected " << expected.size() << ": "
               << ::testing::PrintToString(actual);
    for (qsizetype index = 0; index < actual.size(); ++index) {
        const Element& a = actual[index];
        const Element& e = expected[index];
        bool same = a.kind == e.kind;
        for (int point = 0; point < 3 && same; ++point)
            same = std::abs(a.points[point].x() - e.points[point].x()) <= tolerance &&
                   std::abs(a.points[point].y() - e.points[point].y()) <= tolerance;
        if (!same)
            return ::testing::AssertionFailure()
                   << "element " << index << " is " << ::testing::PrintToString(a) << ", expected "
                   << ::testing::PrintToString(e);
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult rectNear(const QRectF& actual, const QRectF& expected,
                                           double tolerance = 1e-9) {
    if (std::abs(actual.x() - expected.x()) <= tolerance &&
        std::abs(actual.y() - expected.y()) <= tolerance &&
        std::abs(actual.width() - expected.width()) <= tolerance &&
        std::abs(actual.height() - expected.height()) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.x() << ", " << actual.y() << ", " << actual.width() << ", "
           << actual.height() << "), expected (" << expected.x() << ", " << expected.y() << ", "
           << expected.width() << ", " << expected.height() << ")";
}

inline bool isFinite(const QTransform& transform) {
    return std::isfinite(transform.m11()) && std::isfinite(transform.m12()) &&
           std::isfinite(transform.m21()) && std::isfinite(transform.m22()) &&
           std::isfinite(transform.dx()) && std::isfinite(transform.dy());
}

} // namespace testing

} // namespace marlox::vector
