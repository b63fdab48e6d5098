#pragma once

#include "support/ImageTesting.h"
#include "vector/PathSegment.h"
#include "vector/SVGBezierPath.h"
#include "vector/SVGDrawing.h"
#include "vector/SVGNode.h"
#include "vector/SVGPaint.h"
#include "vector/SVGStroke.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QStringList>
#include <QTransform>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <ostream>

namespace marlox::vector {

inline void PrintTo(const SVGBezierPath::Element& element, std::ostream* out) {
    *out << "kind " << int(element.kind);
    for (const QPointF& point : element.points) {
        *out << " (" << point.x() << ", " << point.y() << ")";
    }
}

namespace testing {

// Segments as text: the command letter and its numbers, segments apart by commas.
inline QString segmentsText(const QList<PathSegment>& segments) {
    QStringList parts;
    for (const PathSegment& segment : segments) {
        QString part(QLatin1Char("MLCQAzHVSTmlcqahvstEe"[int(segment.type())]));
        for (const double value : segment.data()) {
            part += u' ' + QString::number(value);
        }
        parts.append(part);
    }
    return parts.join(u", ");
}

// Numbers as text apart by blanks, rounding errors near zero shown as zero.
inline QString numbersText(std::initializer_list<double> values) {
    QStringList numbers;
    for (const double value : values) {
        numbers.append(QString::number(std::abs(value) < 1e-12 ? 0 : value));
    }
    return numbers.join(u' ');
}

inline QString transformText(const QTransform& t) {
    return numbersText({t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()});
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
        for (int point = 0; point < 3 && same; ++point) {
            same = std::abs(actual[index].points[point].x() - expected[index].points[point].x()) <=
                       tolerance &&
                   std::abs(actual[index].points[point].y() - expected[index].points[point].y()) <=
                       tolerance;
        }
    }
    if (same) {
        return ::testing::AssertionSuccess();
    }
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

inline constexpr QRgb red = 0xFFFF0000;
inline constexpr QRgb blue = 0xFF0000FF;
inline constexpr QRgb clear = 0x00000000;

inline std::shared_ptr<const SVGColor> paint(qint64 value) {
    return std::make_shared<const SVGColor>(value);
}

inline std::shared_ptr<const SVGStroke> stroke(std::shared_ptr<const SVGPaint> fill, double width,
                                               SVGLineCap cap = SVGLineCap::butt,
                                               SVGLineJoin join = SVGLineJoin::miter,
                                               QList<double> dashes = {}, double miterLimit = 4) {
    return std::make_shared<const SVGStroke>(std::move(fill), width, cap, join, miterLimit,
                                             std::move(dashes), 0);
}

// The tree drawn as the document view would draw it in a square space of the given side.
inline QImage draw(const std::shared_ptr<SVGNode>& root, int size = 100) {
    return renderDocument(root.get(), size);
}

using marlox::testing::pixelIs;

// A pixel and the colour it must show.
struct Probe {
    int x;
    int y;
    QRgb color;
    int tolerance = 3;
};

inline void expectProbes(const QImage& image, const QList<Probe>& probes) {
    for (const Probe& probe : probes) {
        EXPECT_TRUE(pixelIs(image, probe.x, probe.y, probe.color, probe.tolerance));
    }
}

using marlox::testing::isBlank;

} // namespace testing

} // namespace marlox::vector
