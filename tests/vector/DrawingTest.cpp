#include "DrawingTestSupport.h"
#include "VectorTestSupport.h"
#include "vector/PathReader.h"
#include "vector/SVGDrawing.h"
#include "vector/SVGGeometry.h"
#include "vector/SVGGroup.h"
#include "vector/SVGImage.h"
#include "vector/SVGPath.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"
#include "vector/SVGUserSpaceNode.h"

#include <QBuffer>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

using Nodes = QList<std::shared_ptr<SVGNode>>;
using UserSpace = SVGUserSpaceNode::UserSpace;

std::shared_ptr<SVGPath> path(const char* data, Qt::FillRule rule = Qt::WindingFill) {
    return std::make_shared<SVGPath>(PathReader::readAll(QString::fromLatin1(data)), rule);
}

template <typename Shape>
std::shared_ptr<Shape> filled(std::shared_ptr<Shape> shape, qint64 color) {
    shape->setFill(paint(color));
    return shape;
}

template <typename Shape>
std::shared_ptr<Shape> stroked(std::shared_ptr<Shape> shape,
                               std::shared_ptr<const SVGStroke> outline) {
    shape->setStroke(std::move(outline));
    return shape;
}

std::shared_ptr<SVGRect> rect(double x, double y, double width, double height, qint64 color) {
    return filled(std::make_shared<SVGRect>(x, y, width, height), color);
}

std::shared_ptr<SVGGroup> group(Nodes contents) {
    return std::make_shared<SVGGroup>(std::move(contents));
}

std::shared_ptr<SVGViewport> viewport(double width, double height, std::optional<QRectF> viewBox,
                                      SVGPreserveAspectRatio rule, Nodes contents) {
    return std::make_shared<SVGViewport>(SVGLength::pixels(width), SVGLength::pixels(height),
                                         viewBox, rule, std::move(contents));
}

QList<SVGStop> redToBlue() {
    return {SVGStop(SVGColor(0xFF0000), 0), SVGStop(SVGColor(0x0000FF), 1)};
}

QByteArray pngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

TEST(DrawingTest, FillsWithTheColourAndItsTransparency) {
    // GIVEN a rectangle in an opaque colour, one whose colour is half transparent and one whose
    // node opacity is a quarter
    const auto half = rect(40, 0, 20, 20, 0x800000FF);
    const auto quarter = rect(70, 0, 20, 20, 0x00FF00);
    quarter->setOpacity(0.25);
    // WHEN they are drawn
    const QImage image = draw(group({rect(10, 0, 20, 20, 0xFF0000), half, quarter}));
    // THEN each paints its area only, at its opacity
    EXPECT_TRUE(pixelIs(image, 20, 10, red));
    EXPECT_TRUE(pixelIs(image, 50, 10, 0x7F0000FF));
    EXPECT_TRUE(pixelIs(image, 80, 10, 0x4000FF00));
    EXPECT_TRUE(pixelIsClear(image, 20, 30));
    EXPECT_TRUE(pixelIsClear(image, 35, 10));
}

TEST(DrawingTest, EvenOddRuleLeavesTheInnerSquareOpenAndNonZeroFillsIt) {
    // Two squares drawn in the same direction, one inside the other.
    const char* squares = "M10 10 H90 V90 H10 Z M30 30 H70 V70 H30 Z";
    const QImage evenOdd = draw(filled(path(squares, Qt::OddEvenFill), 0xFF0000));
    const QImage nonZero = draw(filled(path(squares, Qt::WindingFill), 0xFF0000));
    EXPECT_TRUE(pixelIsClear(evenOdd, 50, 50));
    EXPECT_TRUE(pixelIs(evenOdd, 20, 50, red));
    EXPECT_TRUE(pixelIs(nonZero, 50, 50, red));
}

TEST(DrawingTest, PaintsTheFillFirstAndTheStrokeOverIt) {
    const auto square = stroked(rect(20, 20, 60, 60, 0x0000FF), stroke(paint(0xFF0000), 10));
    const QImage image = draw(square);
    // The stroke straddles the edge: its inner half lies over the fill.
    EXPECT_TRUE(pixelIs(image, 23, 50, red));
    EXPECT_TRUE(pixelIs(image, 17, 50, red));
    EXPECT_TRUE(pixelIs(image, 50, 50, blue));
    EXPECT_TRUE(pixelIsClear(image, 13, 50));
}

TEST(DrawingTest, StrokeWidthAndCapsReachAsFarAsTheyShould) {
    struct Case {
        const char* name;
        SVGLineCap cap;
        bool beyondEnd;
        bool beyondEndCorner;
    };
    const Case cases[] = {
        {"butt", SVGLineCap::butt, false, false},
        {"square", SVGLineCap::square, true, true},
        // A round cap reaches beyond the end on the axis but not into the corners.
        {"round", SVGLineCap::round, true, false},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        // GIVEN a horizontal line from x 20 to x 80 with a stroke 20 wide
        const auto line = stroked(std::make_shared<SVGLine>(20, 50, 80, 50),
                                  stroke(paint(0xFF0000), 20, testCase.cap));
        const QImage image = draw(line);
        // THEN it covers 10 on each side of the line
        EXPECT_TRUE(pixelIs(image, 50, 41, red));
        EXPECT_TRUE(pixelIs(image, 50, 58, red));
        EXPECT_TRUE(pixelIsClear(image, 50, 38));
        EXPECT_TRUE(pixelIsClear(image, 50, 62));
        // AND past its end as far as its cap
        EXPECT_EQ(qAlpha(image.pixel(85, 50)) == 255, testCase.beyondEnd);
        EXPECT_EQ(qAlpha(image.pixel(88, 42)) == 255, testCase.beyondEndCorner);
        EXPECT_TRUE(pixelIsClear(image, 92, 50));
    }
}

TEST(DrawingTest, JoinsFollowTheirStyleAndTheMiterLimit) {
    struct Case {
        const char* name;
        SVGLineJoin join;
        double miterLimit;
        bool outerCorner;
    };
    // A right angle's miter is sqrt(2) times the width: within a limit of 4, beyond one of 1.2.
    const Case cases[] = {
        {"miter", SVGLineJoin::miter, 4, true},
        {"miter over its limit", SVGLineJoin::miter, 1.2, false},
        {"bevel", SVGLineJoin::bevel, 4, false},
        {"round", SVGLineJoin::round, 4, false},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const auto corner = stroked(
            std::make_shared<SVGPolyline>(QList<QPointF>{{20, 80}, {50, 50}, {80, 80}}),
            stroke(paint(0xFF0000), 20, SVGLineCap::butt, testCase.join, {}, testCase.miterLimit));
        const QImage image = draw(corner);
        // The miter's tip lies 14.1 above the corner; a bevel cuts it at 7.1.
        EXPECT_EQ(qAlpha(image.pixel(50, 39)) > 128, testCase.outerCorner);
        EXPECT_TRUE(pixelIs(image, 50, 55, red));
    }
}

TEST(DrawingTest, DashesRunInUserUnitsAndAnOddListRepeats) {
    // GIVEN a line 4 wide from x 0 dashed 10 on, 10 off, and one dashed by the odd list 5 10 15
    const auto even =
        stroked(std::make_shared<SVGLine>(0, 20, 100, 20),
                stroke(paint(0xFF0000), 4, SVGLineCap::butt, SVGLineJoin::miter, {10, 10}));
    const auto odd =
        stroked(std::make_shared<SVGLine>(0, 60, 100, 60),
                stroke(paint(0xFF0000), 4, SVGLineCap::butt, SVGLineJoin::miter, {5, 10, 15}));
    const QImage image = draw(group({even, odd}));
    EXPECT_TRUE(pixelIs(image, 5, 20, red));
    EXPECT_TRUE(pixelIsClear(image, 15, 20));
    EXPECT_TRUE(pixelIs(image, 25, 20, red));
    EXPECT_TRUE(pixelIsClear(image, 35, 20));
    // THEN the odd list runs as 5 on, 10 off, 15 on, 5 off, 10 on, 15 off
    EXPECT_TRUE(pixelIs(image, 2, 60, red));
    EXPECT_TRUE(pixelIsClear(image, 10, 60));
    EXPECT_TRUE(pixelIs(image, 22, 60, red));
    EXPECT_TRUE(pixelIsClear(image, 32, 60));
    EXPECT_TRUE(pixelIs(image, 40, 60, red));
    EXPECT_TRUE(pixelIsClear(image, 50, 60));
    EXPECT_TRUE(pixelIsClear(image, 57, 60));
    EXPECT_TRUE(pixelIs(image, 62, 60, red));
}

TEST(DrawingTest, SubpathsOfNoLengthShowTheirRoundAndSquareCaps) {
    const auto dot = [](const char* data, SVGLineCap cap) {
        return stroked(path(data), stroke(paint(0xFF0000), 10, cap));
    };
    // GIVEN subpaths that start and end on one point, drawn with each kind of cap
    const QImage image =
        draw(group({dot("M20 20 L20 20", SVGLineCap::round), dot("M50 20 Z", SVGLineCap::square),
                    dot("M80 20 L80 20", SVGLineCap::butt),
                    dot("M20 60 C20 60 20 60 20 60", SVGLineCap::square)}));
    // THEN a round cap is a disc as wide as the stroke, a square one a square, a butt nothing
    EXPECT_TRUE(pixelIs(image, 20, 20, red));
    EXPECT_TRUE(pixelIs(image, 20, 16, red));
    EXPECT_TRUE(pixelIsClear(image, 15, 15));
    EXPECT_TRUE(pixelIs(image, 46, 16, red));
    EXPECT_TRUE(isBlank(image.copy(70, 10, 20, 20)));
    EXPECT_TRUE(pixelIs(image, 16, 56, red));
    // AND a subpath that moves away from its start gets no extra cap
    const QImage line = draw(dot("M20 50 L60 50", SVGLineCap::butt));
    EXPECT_TRUE(pixelIsClear(line, 17, 50));
}

TEST(DrawingTest, ImageHoldingMarkupIsDrawnAsADocumentInItsBox) {
    const QByteArray markup = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">
        <rect width="10" height="10" fill="blue"/></svg>)";
    const QImage image = draw(std::make_shared<SVGDataImage>(20, 30, 40, 20, markup));
    // The square view box fits the middle of the 40 by 20 box.
    EXPECT_TRUE(pixelIs(image, 40, 40, blue));
    EXPECT_TRUE(pixelIs(image, 31, 31, blue));
    EXPECT_TRUE(pixelIsClear(image, 25, 40));
    EXPECT_TRUE(pixelIsClear(image, 40, 52));
}

TEST(DrawingTest, GradientsReachBothEndsInEitherUnitSystemAwayFromTheOrigin) {
    struct Probe {
        int x;
        int y;
        QRgb color;
        int tolerance;
    };
    struct Case {
        const char* name;
        std::shared_ptr<SVGShape> shape;
        std::shared_ptr<const SVGPaint> gradient;
        QList<Probe> probes;
    };
    constexpr QRgb purple = 0xFF800080;
    // A rectangle at (40, 30) of 50 by 40 with a horizontal gradient across it, and a circle at
    // (60, 50) of radius 30 with a gradient from its centre to its rim.
    const QList<Probe> across = {
        {40, 50, red, 8}, {89, 50, blue, 8}, {65, 35, purple, 8}, {38, 50, transparent, 0}};
    const QList<Probe> outwards = {
        {60, 50, red, 8}, {60, 21, blue, 20}, {75, 50, purple, 12}, {60, 18, transparent, 0}};
    const Case cases[] = {
        {"linear in box units", std::make_shared<SVGRect>(40, 30, 50, 40),
         std::make_shared<const SVGLinearGradient>(0, 0, 1, 0, false, redToBlue()), across},
        {"linear in user units", std::make_shared<SVGRect>(40, 30, 50, 40),
         std::make_shared<const SVGLinearGradient>(40, 0, 90, 0, true, redToBlue()), across},
        {"radial in box units", std::make_shared<SVGCircle>(60, 50, 30),
         std::make_shared<const SVGRadialGradient>(0.5, 0.5, 0.5, 0.5, 0.5, false, redToBlue()),
         outwards},
        {"radial in user units", std::make_shared<SVGCircle>(60, 50, 30),
         std::make_shared<const SVGRadialGradient>(60, 50, 60, 50, 30, true, redToBlue()),
         outwards},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        testCase.shape->setFill(testCase.gradient);
        const QImage image = draw(testCase.shape);
        for (const Probe& probe : testCase.probes)
            EXPECT_TRUE(pixelIs(image, probe.x, probe.y, probe.color, probe.tolerance));
    }
}

TEST(DrawingTest, BoundingBoxLinearGradientFollowsTheBoxsAspect) {
    // A diagonal in box units runs corner to corner, so along the other diagonal the colour is
    // the middle one even on a box twice as wide as tall.
    const auto box = std::make_shared<SVGRect>(0, 25, 100, 50);
    box->setFill(std::make_shared<const SVGLinearGradient>(0, 0, 1, 1, false, redToBlue()));
    const QImage image = draw(box);
    EXPECT_TRUE(pixelIs(image, 10, 70, 0xFF800080, 12));
    EXPECT_TRUE(pixelIs(image, 90, 30, 0xFF800080, 12));
    EXPECT_TRUE(pixelIs(image, 1, 26, red, 12));
    EXPECT_TRUE(pixelIs(image, 98, 73, blue, 12));
}

TEST(DrawingTest, BoundingBoxRadialGradientBecomesAnEllipseOnAWideBox) {
    const auto box = std::make_shared<SVGRect>(0, 30, 100, 40);
    box->setFill(
        std::make_shared<const SVGRadialGradient>(0.5, 0.5, 0.5, 0.5, 0.5, false, redToBlue()));
    const QImage image = draw(box);
    // Half way to the rim horizontally and vertically is the same colour.
    EXPECT_TRUE(pixelIs(image, 75, 50, 0xFF800080, 12));
    EXPECT_TRUE(pixelIs(image, 50, 60, 0xFF800080, 12));
}

TEST(DrawingTest, FocalPointShiftsWhereTheFirstColourLies) {
    const auto circle = std::make_shared<SVGCircle>(50, 50, 40);
    circle->setFill(
        std::make_shared<const SVGRadialGradient>(50, 50, 30, 50, 40, true, redToBlue()));
    const QImage image = draw(circle);
    EXPECT_TRUE(pixelIs(image, 30, 50, red, 8));
    EXPECT_GT(qBlue(image.pixel(50, 50)), 60);
}

TEST(DrawingTest, GradientStrokeUsesTheShapesBox) {
    const auto box = std::make_shared<SVGRect>(20, 20, 60, 60);
    box->setStroke(
        stroke(std::make_shared<const SVGLinearGradient>(0, 0, 1, 0, false, redToBlue()), 6));
    const QImage image = draw(box);
    EXPECT_TRUE(pixelIs(image, 20, 50, red, 10));
    EXPECT_TRUE(pixelIs(image, 80, 50, blue, 10));
    EXPECT_TRUE(pixelIsClear(image, 50, 50));
}

TEST(DrawingTest, GroupOpacityIsCompositedOnce) {
    // GIVEN two overlapping opaque rectangles in a group at half opacity
    const auto halfGroup = group({rect(10, 10, 50, 50, 0xFF0000), rect(40, 40, 50, 50, 0x0000FF)});
    halfGroup->setOpacity(0.5);
    const QImage image = draw(halfGroup);
    // THEN the overlap shows the top one alone at half opacity, not the lower one through it
    EXPECT_TRUE(pixelIs(image, 50, 50, 0x800000FF, 4));
    EXPECT_TRUE(pixelIs(image, 20, 20, 0x80FF0000, 4));
    EXPECT_TRUE(pixelIs(image, 80, 80, 0x800000FF, 4));
}

TEST(DrawingTest, ShapeOpacityCoversFillAndStrokeTogether) {
    const auto square = stroked(rect(20, 20, 60, 60, 0x0000FF), stroke(paint(0xFF0000), 10));
    square->setOpacity(0.5);
    const QImage image = draw(square);
    // The stroke's inner half over the fill shows red only.
    EXPECT_TRUE(pixelIs(image, 23, 50, 0x80FF0000, 4));
    EXPECT_TRUE(pixelIs(image, 50, 50, 0x800000FF, 4));
}

TEST(DrawingTest, ClipInUserSpaceShowsOnlyTheClippedPart) {
    // GIVEN a square filling the space, clipped by the rectangle (0, 0, 50, 50)
    const auto square = rect(0, 0, 100, 100, 0xFF0000);
    square->setClip(std::make_shared<SVGUserSpaceNode>(std::make_shared<SVGRect>(0, 0, 50, 50),
                                                       UserSpace::userSpaceOnUse));
    const QImage image = draw(square);
    EXPECT_TRUE(pixelIs(image, 25, 25, red));
    EXPECT_TRUE(pixelIsClear(image, 75, 25));
    EXPECT_TRUE(pixelIsClear(image, 25, 75));
}

TEST(DrawingTest, ClipCountsByGeometryNotByItsPaint) {
    // A clip shape without fill still clips by its outline.
    const auto square = rect(0, 0, 100, 100, 0xFF0000);
    const auto clipShape = std::make_shared<SVGCircle>(50, 50, 20);
    clipShape->setFill(paint(0xFF000000));
    square->setClip(std::make_shared<SVGUserSpaceNode>(clipShape, UserSpace::userSpaceOnUse));
    const QImage image = draw(square);
    EXPECT_TRUE(pixelIs(image, 50, 50, red));
    EXPECT_TRUE(pixelIsClear(image, 50, 25));
}

TEST(DrawingTest, BoundingBoxClipCoversTheNodesBoxAwayFromTheOrigin) {
    // GIVEN a square at (40, 20) of 40 by 40 clipped by the left half of its box
    const auto square = rect(40, 20, 40, 40, 0xFF0000);
    square->setClip(std::make_shared<SVGUserSpaceNode>(std::make_shared<SVGRect>(0, 0, 0.5, 1),
                                                       UserSpace::objectBoundingBox));
    const QImage image = draw(square);
    EXPECT_TRUE(pixelIs(image, 45, 40, red));
    EXPECT_TRUE(pixelIs(image, 58, 40, red));
    EXPECT_TRUE(pixelIsClear(image, 62, 40));
    EXPECT_TRUE(pixelIsClear(image, 75, 40));
}

TEST(DrawingTest, ClipMovesWithTheNodesTransform) {
    const auto square = rect(0, 0, 100, 100, 0xFF0000);
    square->setClip(std::make_shared<SVGUserSpaceNode>(std::make_shared<SVGRect>(0, 0, 20, 20),
                                                       UserSpace::userSpaceOnUse));
    square->setTransform(QTransform::fromTranslate(50, 50));
    const QImage image = draw(square);
    EXPECT_TRUE(pixelIs(image, 60, 60, red));
    EXPECT_TRUE(pixelIsClear(image, 10, 10));
    EXPECT_TRUE(pixelIsClear(image, 80, 80));
}

TEST(DrawingTest, TransformActsInTheParentsSpaceForEveryShape) {
    // GIVEN shapes centred on (30, 20), each turned a quarter about the parent's origin and
    // moved right by 100: their centres land on (80, 30)
    const QTransform turned = QTransform().rotate(90) * QTransform::fromTranslate(100, 0);
    const Nodes shapes = {
        filled(std::make_shared<SVGCircle>(30, 20, 5), 0xFF0000),
        filled(std::make_shared<SVGEllipse>(30, 20, 5, 5), 0xFF0000),
        rect(25, 15, 10, 10, 0xFF0000),
        filled(path("M25 15 H35 V25 H25 Z"), 0xFF0000),
        filled(std::make_shared<SVGPolygon>(QList<QPointF>{{25, 15}, {35, 15}, {35, 25}, {25, 25}}),
               0xFF0000),
    };
    for (const auto& shape : shapes) {
        shape->setTransform(turned);
        const QImage image = draw(shape);
        EXPECT_TRUE(pixelIs(image, 80, 30, red)) << int(shape->kind());
        EXPECT_TRUE(pixelIsClear(image, 30, 20)) << int(shape->kind());
    }
}

TEST(DrawingTest, ViewportFitsItsViewBoxByEachAspectRule) {
    using Scaling = SVGPreserveAspectRatio::Scaling;
    using Align = SVGPreserveAspectRatio::Align;
    struct Case {
        const char* name;
        SVGPreserveAspectRatio rule;
        QList<QPoint> inside;
        QList<QPoint> outside;
    };
    // A view box of 100 by 50 filled red, shown in 100 by 100.
    const Case cases[] = {
        {"meet, centred",
         {Scaling::meet, Align::mid, Align::mid},
         {{50, 26}, {50, 74}},
         {{50, 24}, {50, 76}}},
        {"meet, top", {Scaling::meet, Align::min, Align::min}, {{50, 1}, {50, 49}}, {{50, 51}}},
        {"meet, bottom", {Scaling::meet, Align::max, Align::max}, {{50, 51}, {50, 99}}, {{50, 49}}},
        {"slice", {Scaling::slice, Align::mid, Align::mid}, {{1, 1}, {99, 99}}, {}},
        {"none", {Scaling::none, Align::mid, Align::mid}, {{1, 1}, {99, 99}}, {}},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const QImage image = draw(viewport(100, 50, QRectF(0, 0, 100, 50), testCase.rule,
                                           {rect(0, 0, 100, 50, 0xFF0000)}));
        for (const QPoint& point : testCase.inside)
            EXPECT_TRUE(pixelIs(image, point.x(), point.y(), red));
        for (const QPoint& point : testCase.outside)
            EXPECT_TRUE(pixelIsClear(image, point.x(), point.y()));
    }
}

TEST(DrawingTest, ViewportMapsItsViewBoxOriginAndCutsWhatLiesOutside) {
    // GIVEN a view box from (10, 10) of 20 by 20 and a square from (10, 10) of 10 by 10, and
    // content reaching far beyond the view box
    const QImage image =
        draw(viewport(48, 48, QRectF(10, 10, 20, 20), SVGPreserveAspectRatio(),
                      {rect(-100, -100, 300, 300, 0x0000FF), rect(10, 10, 10, 10, 0xFF0000)}),
             60);
    // THEN it lands scaled by 3 at the top-left corner, and nothing lies outside the space
    EXPECT_TRUE(pixelIs(image, 1, 1, red));
    EXPECT_TRUE(pixelIs(image, 28, 28, red));
    EXPECT_TRUE(pixelIs(image, 32, 32, blue));
    EXPECT_EQ(image.size(), QSize(60, 60));
}

TEST(DrawingTest, NestedViewportIsCutToItsOwnSize) {
    const auto inner =
        viewport(30, 30, std::nullopt, SVGPreserveAspectRatio(), {rect(0, 0, 100, 100, 0xFF0000)});
    const QImage image =
        draw(viewport(100, 100, QRectF(0, 0, 100, 100), SVGPreserveAspectRatio(), {inner}));
    EXPECT_TRUE(pixelIs(image, 29, 29, red));
    EXPECT_TRUE(pixelIsClear(image, 31, 10));
    EXPECT_TRUE(pixelIsClear(image, 10, 31));
}

TEST(DrawingTest, TextSitsOnItsBaselineByItsAnchor) {
    struct Case {
        const char* name;
        Qt::AlignmentFlag anchor;
        bool leftOfAnchor;
        bool rightOfAnchor;
    };
    const Case cases[] = {
        {"start", Qt::AlignLeading, false, true},
        {"middle", Qt::AlignHCenter, true, true},
        {"end", Qt::AlignTrailing, true, false},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        // GIVEN a line of heavy glyphs anchored at (100, 60)
        const auto text = std::make_shared<SVGText>(
            QStringLiteral("MMMM"),
            std::make_shared<const SVGFont>(QStringLiteral("Manrope"), 30,
                                            QStringLiteral("normal")),
            paint(0xFF0000), nullptr, testCase.anchor, QTransform::fromTranslate(100, 60));
        const QImage image = draw(text, 200);
        const auto inkIn = [&image](int left, int right, int top, int bottom) {
            for (int y = top; y < bottom; ++y)
                for (int x = left; x < right; ++x)
                    if (qAlpha(image.pixel(x, y)) > 200)
                        return true;
            return false;
        };
        // THEN the glyphs lie above the baseline, on the sides of the anchor the rule says
        EXPECT_EQ(inkIn(0, 98, 30, 60), testCase.leftOfAnchor);
        EXPECT_EQ(inkIn(102, 200, 30, 60), testCase.rightOfAnchor);
        EXPECT_FALSE(inkIn(0, 200, 62, 200));
    }
}

TEST(DrawingTest, TextStrokeOutlinesTheGlyphsEvenWithoutFill) {
    const auto font =
        std::make_shared<const SVGFont>(QStringLiteral("Manrope"), 40, QStringLiteral("normal"));
    const auto text =
        std::make_shared<SVGText>(QStringLiteral("O"), font, nullptr, stroke(paint(0xFF0000), 2),
                                  Qt::AlignLeading, QTransform::fromTranslate(10, 60));
    EXPECT_FALSE(isBlank(draw(text)));
}

TEST(DrawingTest, ImageFillsItsPlacementKeepingItsAspect) {
    QImage source(30, 40, QImage::Format_ARGB32);
    source.fill(Qt::red);
    // GIVEN an image of 30 by 40 placed at (10, 20) in a box of its own size, and the same
    // image in a box twice as wide as it needs
    const auto exact = std::make_shared<SVGDataImage>(10, 20, 30, 40, pngOf(source));
    const auto wide =
        std::make_shared<SVGURLImage>(50, 20, 60, 40, QStringLiteral("red.png"), pngOf(source));
    const QImage image = draw(group({exact, wide}), 120);
    EXPECT_TRUE(pixelIs(image, 11, 21, red));
    EXPECT_TRUE(pixelIs(image, 38, 58, red));
    EXPECT_TRUE(pixelIsClear(image, 8, 30));
    EXPECT_TRUE(pixelIsClear(image, 20, 62));
    // THEN the wide box shows it centred at its own aspect
    EXPECT_TRUE(pixelIsClear(image, 60, 40));
    EXPECT_TRUE(pixelIs(image, 80, 40, red));
    EXPECT_TRUE(pixelIsClear(image, 100, 40));
}

TEST(DrawingTest, ImagesThatDoNotDecodeDrawNothing) {
    const Nodes images = {
        std::make_shared<SVGDataImage>(0, 0, 50, 50, QByteArray("not an image")),
        std::make_shared<SVGDataImage>(0, 0, 50, 50, QByteArray()),
        std::make_shared<SVGURLImage>(0, 0, 50, 50, QStringLiteral("missing.png"), std::nullopt),
        std::make_shared<SVGDataImage>(0, 0, 50, 50, QByteArray("\x89PNG\r\n\x1a\n broken")),
    };
    for (const auto& image : images)
        EXPECT_TRUE(isBlank(draw(image)));
}

TEST(DrawingTest, ZeroSizesAndEmptyPathsDrawNothing) {
    const auto red = paint(0xFF0000);
    const auto wide = stroke(red, 4);
    const auto boxGradient =
        std::make_shared<const SVGLinearGradient>(0, 0, 1, 0, false, redToBlue());
    const Nodes nodes = {
        stroked(rect(10, 10, 0, 50, 0xFF0000), wide),
        stroked(rect(10, 10, 50, -5, 0xFF0000), wide),
        stroked(filled(std::make_shared<SVGCircle>(50, 50, 0), 0xFF0000), wide),
        stroked(filled(std::make_shared<SVGEllipse>(50, 50, 10, 0), 0xFF0000), wide),
        stroked(filled(path(""), 0xFF0000), wide),
        stroked(filled(std::make_shared<SVGPolygon>(QList<QPointF>{}), 0xFF0000), wide),
        // A stroke of no width, and a box-unit paint on a line whose box has no height.
        stroked(std::make_shared<SVGLine>(10, 50, 90, 50), stroke(red, 0)),
        stroked(std::make_shared<SVGLine>(10, 50, 90, 50), stroke(boxGradient, 4)),
        stroked(std::make_shared<SVGText>(QString()), wide),
        viewport(100, 100, QRectF(0, 0, 0, 100), SVGPreserveAspectRatio(),
                 {rect(0, 0, 100, 100, 0xFF0000)}),
    };
    for (const auto& node : nodes)
        EXPECT_TRUE(isBlank(draw(node))) << int(node->kind());
}

TEST(DrawingTest, UserSpaceGradientStillPaintsALineWithoutArea) {
    const auto line = stroked(
        std::make_shared<SVGLine>(10, 50, 90, 50),
        stroke(std::make_shared<const SVGLinearGradient>(10, 0, 90, 0, true, redToBlue()), 4));
    const QImage image = draw(line);
    EXPECT_TRUE(pixelIs(image, 11, 50, red, 12));
    EXPECT_TRUE(pixelIs(image, 89, 50, blue, 12));
}

TEST(DrawingTest, NodeWithoutPaintOrAtZeroOpacityDrawsNothing) {
    const auto bare = std::make_shared<SVGRect>(0, 0, 50, 50);
    const auto invisible = rect(0, 0, 50, 50, 0xFF0000);
    invisible->setOpacity(0);
    const auto squashed = rect(0, 0, 50, 50, 0xFF0000);
    squashed->setTransform(QTransform::fromScale(0, 1));
    for (const std::shared_ptr<SVGNode>& node : Nodes{bare, invisible, squashed})
        EXPECT_TRUE(isBlank(draw(node)));
}

TEST(DrawingTest, DrawsIntoAnyPaintDeviceAtItsPixelRatio) {
    // GIVEN an image of twice the pixels, and a group whose opacity needs a layer
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    const auto halfGroup = group({rect(50, 50, 50, 50, 0xFF0000)});
    halfGroup->setOpacity(0.5);
    {
        QPainter painter(&image);
        drawDocument(painter, halfGroup.get(), QSizeF(100, 100));
    }
    // THEN the square covers a quarter of the pixels at the bottom right
    EXPECT_TRUE(pixelIs(image, 150, 150, 0x80FF0000, 4));
    EXPECT_TRUE(pixelIs(image, 101, 101, 0x80FF0000, 4));
    EXPECT_TRUE(pixelIsClear(image, 98, 150));
}

TEST(ObjectBoundingBoxTest, GroupsUniteTheirChildrensTransformedBoxes) {
    const auto moved = std::make_shared<SVGRect>(0, 0, 10, 10);
    moved->setTransform(QTransform::fromTranslate(50, 20));
    const auto box = group({std::make_shared<SVGCircle>(10, 10, 5), moved, group({})});
    EXPECT_TRUE(rectNear(objectBoundingBox(*box), QRectF(5, 5, 55, 25)));
    EXPECT_TRUE(rectNear(objectBoundingBox(SVGLine(10, 20, 4, 8)), QRectF(4, 8, 6, 12)));
    EXPECT_TRUE(rectNear(objectBoundingBox(SVGRect(10, 20, -4, 8)), QRectF(6, 20, 4, 8)));
    EXPECT_TRUE(isNullRect(objectBoundingBox(*group({}))));
    EXPECT_TRUE(isNullRect(objectBoundingBox(*path(""))));
}

TEST(GestureTest, CombinedGestureRunsEveryGestureThatRecognisesTheTaps) {
    // GIVEN a node with two single taps and a double tap, in this order
    const auto circle = std::make_shared<SVGCircle>(50, 50, 10);
    EXPECT_FALSE(combinedGestures(*circle).has_value());
    QStringList runs;
    circle->onTapGesture(1, [&runs] { runs.append(QStringLiteral("first")); });
    circle->onTapGesture(2, [&runs] { runs.append(QStringLiteral("double")); });
    circle->onTapGesture(1, [&runs] { runs.append(QStringLiteral("second")); });
    const std::optional<SVGCombinedGesture> gesture = combinedGestures(*circle);
    ASSERT_TRUE(gesture.has_value());
    // WHEN it is tapped once, then twice
    (*gesture)(1);
    EXPECT_EQ(runs, QStringList({QStringLiteral("first"), QStringLiteral("second")}));
    runs.clear();
    (*gesture)(2);
    EXPECT_EQ(runs, QStringList({QStringLiteral("double")}));
    // AND once its gestures are removed it has none
    circle->removeAllGestures();
    EXPECT_FALSE(combinedGestures(*circle).has_value());
}

TEST(GestureTest, TapFindsTheTopmostDrawnNodeWithGestures) {
    // GIVEN a 24-unit document shown in a space of 96, holding two overlapping squares with
    // gestures and, in a group with a gesture, a circle without one
    const auto lower = rect(0, 0, 12, 12, 0xFF0000);
    const auto upper = rect(6, 6, 12, 12, 0x0000FF);
    const auto circle = filled(std::make_shared<SVGCircle>(20, 20, 3), 0x00FF00);
    const auto circleGroup = group({circle});
    for (const auto& node : Nodes{lower, upper, circleGroup})
        node->onTapGesture(1, [] {});
    const auto document = viewport(24, 24, QRectF(0, 0, 24, 24), SVGPreserveAspectRatio(),
                                   {lower, upper, circleGroup});
    const QSizeF space(96, 96);
    // THEN a tap lands on what is drawn on top there, in the document's own scale
    EXPECT_EQ(gestureTargetAt(*document, QPointF(8, 8), space), lower.get());
    EXPECT_EQ(gestureTargetAt(*document, QPointF(40, 40), space), upper.get());
    EXPECT_EQ(gestureTargetAt(*document, QPointF(80, 80), space), circleGroup.get());
    EXPECT_EQ(gestureTargetAt(*document, QPointF(60, 8), space), nullptr);
    EXPECT_EQ(gestureTargetAt(*document, QPointF(200, 200), space), nullptr);
}

TEST(GestureTest, TapFollowsTransformsAndClipsAndMissesWhatIsNotPainted) {
    const auto moved = rect(0, 0, 20, 20, 0xFF0000);
    moved->setTransform(QTransform::fromTranslate(50, 50));
    moved->setClip(std::make_shared<SVGUserSpaceNode>(std::make_shared<SVGRect>(0, 0, 10, 20),
                                                      UserSpace::userSpaceOnUse));
    const auto ring = std::make_shared<SVGCircle>(20, 80, 10);
    ring->setStroke(stroke(paint(0xFF0000), 4));
    for (const auto& node : Nodes{moved, ring})
        node->onTapGesture(1, [] {});
    const auto document = group({moved, ring});
    const QSizeF space(100, 100);
    EXPECT_EQ(gestureTargetAt(*document, QPointF(55, 55), space), moved.get());
    // Cut away by the clip, and where the rectangle would lie without its transform.
    EXPECT_EQ(gestureTargetAt(*document, QPointF(65, 55), space), nullptr);
    EXPECT_EQ(gestureTargetAt(*document, QPointF(5, 5), space), nullptr);
    // A ring without fill is hit on its stroke only.
    EXPECT_EQ(gestureTargetAt(*document, QPointF(30, 80), space), ring.get());
    EXPECT_EQ(gestureTargetAt(*document, QPointF(20, 80), space), nullptr);
}
