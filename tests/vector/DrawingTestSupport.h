#pragma once

#include "vector/SVGDrawing.h"
#include "vector/SVGNode.h"
#include "vector/SVGPaint.h"
#include "vector/SVGStroke.h"

#include <QColor>
#include <QImage>
#include <QList>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace marlox::vector::testing {

inline constexpr QRgb red = 0xFFFF0000;
inline constexpr QRgb green = 0xFF00FF00;
inline constexpr QRgb blue = 0xFF0000FF;
inline constexpr QRgb purple = 0xFF800080;
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

// The colour at the pixel, not premultiplied, within a tolerance on every channel (alpha
// included); a fully transparent expectation ignores the colour channels.
inline ::testing::AssertionResult pixelIs(const QImage& image, int x, int y, QRgb expected,
                                          int tolerance = 3) {
    const QColor actual = image.pixelColor(x, y);
    const QColor wanted = QColor::fromRgba(expected);
    bool same = std::abs(actual.alpha() - wanted.alpha()) <= tolerance;
    if (same && wanted.alpha() > 0)
        same = std::abs(actual.red() - wanted.red()) <= tolerance &&
               std::abs(actual.green() - wanted.green()) <= tolerance &&
               std::abs(actual.blue() - wanted.blue()) <= tolerance;
    if (same)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << qPrintable(actual.name(QColor::HexArgb))
           << ", expected " << qPrintable(wanted.name(QColor::HexArgb));
}

// A pixel and the colour it must show.
struct Probe {
    int x;
    int y;
    QRgb color;
    int tolerance = 3;
};

inline void expectProbes(const QImage& image, const QList<Probe>& probes) {
    for (const Probe& probe : probes)
        EXPECT_TRUE(pixelIs(image, probe.x, probe.y, probe.color, probe.tolerance));
}

// Whether anything at all was drawn.
inline bool isBlank(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return false;
    return true;
}

} // namespace marlox::vector::testing
