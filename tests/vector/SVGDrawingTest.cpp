#include "vector/SVGDrawing.h"

#include "NodeTestSupport.h"
#include "ParseTestSupport.h"
#include "VectorTestSupport.h"
#include "vector/SVGGeometry.h"
#include "vector/SVGGroup.h"
#include "vector/SVGHitTesting.h"
#include "vector/SVGImage.h"
#include "vector/SVGObjectBounds.h"
#include "vector/SVGParser.h"
#include "vector/SVGPath.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"

#include <QBuffer>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

using namespace marlox::vector;
using namespace marlox::vector::testing;

namespace {

// A tree drawn in a square space of `size` and the pixels it must show there.
struct Scene {
    const char* name;
    std::shared_ptr<SVGNode> node;
    QList<Probe> probes;
    int size = 100;
};

std::shared_ptr<SVGPolyline> corner(double miterLimit) {
    return stroked(
        std::make_shared<SVGPolyline>(QList<QPointF>{{20, 80}, {50, 50}, {80, 80}}),
        stroke(paint(0xFF0000), 20, SVGLineCap::butt, SVGLineJoin::miter, {}, miterLimit));
}

std::shared_ptr<SVGLine> dottedLine(double y, SVGLineCap cap) {
    return stroked(std::make_shared<SVGLine>(10, y, 90, y),
                   stroke(paint(0xFF0000), 10, cap, SVGLineJoin::miter, {0, 20}));
}

// A sharp corner at the first point, whose miter shows only when the outline is closed.
template <typename Shape> std::shared_ptr<Shape> openCorner() {
    return stroked(std::make_shared<Shape>(QList<QPointF>{{20, 20}, {80, 20}, {20, 80}, {20, 20}}),
                   stroke(paint(0xFF0000), 10));
}

std::shared_ptr<SVGPath> dot(const char* data, SVGLineCap cap) {
    return stroked(path(data), stroke(paint(0xFF0000), 10, cap));
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format)) << format;
    return bytes;
}

// A whole red PNG of 5,000 by 5,000 pixels at one bit each: a few kilobytes that decode into
// 100 MB at four bytes a pixel, less than Qt's own limit on what it reads.
QByteArray oversizedPng() {
    QImage image(5000, 5000, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 0, 0), qRgb(255, 0, 0)});
    image.fill(0);
    return encoded(image, "png");
}

// Fills, strokes over them, caps, joins, dashes, gradients and their stops' opacity, group and
// node opacity, clips, nested viewports, images, stroked text and text anchors are pinned by the
// golden images; the scenes here cover what those do not show.
TEST(DrawingTest, FillRulesJoinsAndCapsShowTheirColoursWhereTheyBelong) {
    const char* nested = "M10 10 H90 V90 H10 Z M30 30 H70 V70 H30 Z";
    const QList<Probe> dotProbes = {{20, 20, red}, {20, 16, red},   {15, 15, clear},
                                    {46, 16, red}, {80, 20, clear}, {77, 17, clear},
                                    {16, 56, red}, {17, 85, clear}};
    const Scene scenes[] = {
        {"even-odd leaves the inner square open",
         filled(path(nested, Qt::OddEvenFill), 0xFF0000),
         {{50, 50, clear}, {20, 50, red}}},
        {"non-zero fills it", filled(path(nested), 0xFF0000), {{50, 50, red}}},
        // A right angle's miter is sqrt(2) times the width: within a limit of 1.5, beyond one
        // of 1.2.
        {"miter within its limit", corner(1.5), {{50, 39, red, 127}, {50, 55, red}}},
        {"miter over its limit", corner(1.2), {{50, 39, clear, 128}, {50, 55, red}}},
        // Round caps of a subpath of no length are a disc, square ones a square, butt ones
        // nothing; a subpath that moves away gets no extra cap.
        {"caps of subpaths of no length",
         group({dot("M20 20 L20 20", SVGLineCap::round), dot("M50 20 Z", SVGLineCap::square),
                dot("M80 20 L80 20", SVGLineCap::butt),
                dot("M20 60 C20 60 20 60 20 60", SVGLineCap::square),
                dot("M20 85 L60 85", SVGLineCap::butt)}),
         dotProbes},
        // Dashes of no length every 20 units: discs, squares, and nothing for butt caps.
        {"dashes of no length",
         group({dottedLine(20, SVGLineCap::round), dottedLine(50, SVGLineCap::square),
                dottedLine(80, SVGLineCap::butt)}),
         {{30, 23, red},
          {34, 24, clear},
          {20, 20, clear},
          {33, 53, red},
          {20, 50, clear},
          {30, 80, clear}}},
        // A polyline back at its start keeps two caps there; a polygon joins its ends.
        {"open outline ending at its start",
         openCorner<SVGPolyline>(),
         {{16, 16, clear}, {22, 17, red}, {17, 22, red}}},
        {"closed outline", openCorner<SVGPolygon>(), {{16, 16, red}}},
    };
    for (const Scene& scene : scenes) {
        SCOPED_TRACE(scene.name);
        expectProbes(draw(scene.node, scene.size), scene.probes);
    }
}

TEST(DrawingTest, PaintsClipsAndPlacementsShowTheirColoursWhereTheyBelong) {
    const auto full = [] { return rect(0, 0, 100, 100, 0xFF0000); };
    const QByteArray markup = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">
        <rect width="10" height="10" fill="blue"/></svg>)";
    const Scene scenes[] = {
        {"user space gradient on a line without area",
         stroked(std::make_shared<SVGLine>(10, 50, 90, 50), stroke(linear(10, 0, 90, 0, true), 4)),
         {{11, 50, red, 12}, {89, 50, blue, 12}}},
        {"shape opacity covers fill and stroke together",
         faded(stroked(rect(20, 20, 60, 60, 0x0000FF), stroke(paint(0xFF0000), 10)), 0.5),
         {{23, 50, 0x80FF0000, 4}, {50, 50, 0x800000FF, 4}}},
        {"clip of transparent paint still clips",
         clipped(full(), filled(std::make_shared<SVGCircle>(50, 50, 20), 0xFF000000)),
         {{50, 50, red}, {50, 25, clear}}},
        {"clip moves with the transform",
         moved(clipped(full(), std::make_shared<SVGRect>(0, 0, 20, 20)),
               QTransform::fromTranslate(50, 50)),
         {{60, 60, red}, {10, 10, clear}, {80, 80, clear}}},
        // The view box's origin lands at the corner scaled by 3; what lies outside is cut.
        {"view box origin",
         viewport(48, 48, QRectF(10, 10, 20, 20),
                  {rect(-100, -100, 300, 300, 0x0000FF), rect(10, 10, 10, 10, 0xFF0000)}),
         {{1, 1, red}, {28, 28, red}, {32, 32, blue}, {59, 59, blue}},
         60},
        // The square view box fits the middle of the 40 by 20 box.
        // The image reads its markup with the parser's reader.
        {"image holding markup",
         std::make_shared<SVGDataImage>(20, 30, 40, 20, markup, 0, SVGParser::parseEmbedded),
         {{40, 40, blue}, {31, 31, blue}, {25, 40, clear}, {40, 52, clear}}},
    };
    for (const Scene& scene : scenes) {
        SCOPED_TRACE(scene.name);
        expectProbes(draw(scene.node, scene.size), scene.probes);
    }
}

TEST(DrawingTest, DocumentDeclaringInternalEntitiesDrawsAsWithoutThem) {
    // GIVEN a document as illustration tools write it, namespaces, a colour and text given
    // through entities of its own, one within another, and the same document written out
    const QByteArray declared = R"svg(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE svg PUBLIC "-//W3C//DTD SVG 1.1//EN" "http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd" [
    <!ENTITY ns_svg "http://www.w3.org/2000/svg">
    <!ENTITY ns_extend "http://ns.example.com/Extensibility/1.0/">
    <!ENTITY fill "#FF0000">
    <!ENTITY word "W&i;de">
    <!ENTITY i "i">
]>
<svg xmlns="&ns_svg;" xmlns:x="&ns_extend;" viewBox="0 0 20 20">
    <rect width="20" height="8" fill="&fill;"/><text x="1" y="18" font-size="8">&word;</text>
</svg>)svg";
    const QByteArray written = R"svg(<svg xmlns="http://www.w3.org/2000/svg"
    xmlns:x="http://ns.example.com/Extensibility/1.0/" viewBox="0 0 20 20">
    <rect width="20" height="8" fill="#FF0000"/><text x="1" y="18" font-size="8">Wide</text>
</svg>)svg";

    // WHEN both are parsed and drawn
    const auto declaredRoot = SVGParser::parseData(declared);
    const auto writtenRoot = SVGParser::parseData(written);
    ASSERT_TRUE(declaredRoot && writtenRoot);

    // THEN they draw the same, the rectangle and the text included
    EXPECT_EQ(draw(declaredRoot), draw(writtenRoot));
}

TEST(DrawingTest, NothingIsDrawnWithoutPaintAreaOpacityOrADecodableImage) {
    const auto wide = stroke(paint(0xFF0000), 4);
    const Nodes nodes = {
        stroked(rect(10, 10, 50, -5, 0xFF0000), wide),
        stroked(filled(std::make_shared<SVGCircle>(50, 50, 0), 0xFF0000), wide),
        stroked(filled(std::make_shared<SVGEllipse>(50, 50, 10, 0), 0xFF0000), wide),
        stroked(filled(path(""), 0xFF0000), wide),
        stroked(filled(std::make_shared<SVGPolygon>(QList<QPointF>{}), 0xFF0000), wide),
        // A box-unit paint on a line whose box has no height.
        stroked(std::make_shared<SVGLine>(10, 50, 90, 50), stroke(linear(0, 0, 1, 0, false), 4)),
        stroked(std::make_shared<SVGText>(QString()), wide),
        viewport(100, 100, QRectF(0, 0, 0, 100), {rect(0, 0, 100, 100, 0xFF0000)}),
        std::make_shared<SVGRect>(0, 0, 50, 50),
        faded(rect(0, 0, 50, 50, 0xFF0000), 0),
        moved(rect(0, 0, 50, 50, 0xFF0000), QTransform::fromScale(0, 1)),
        std::make_shared<SVGDataImage>(0, 0, 50, 50, QByteArray()),
        std::make_shared<SVGURLImage>(0, 0, 50, 50, QStringLiteral("missing.png"), std::nullopt),
        std::make_shared<SVGDataImage>(0, 0, 50, 50, oversizedPng()),
    };
    for (qsizetype index = 0; index < nodes.size(); ++index) {
        EXPECT_TRUE(isBlank(draw(nodes[index]))) << index;
    }
}

// The document's markup inside a 100 by 100 root, drawn at that size.
QImage drawnMarkup(const QString& body) {
    return draw(SVGParser::parseData(
        (R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 100 100">)" + body + "</svg>")
            .toUtf8()));
}

// Whether every pixel's coverage is the reference's times the factor: a layer cut too small
// leaves pixels out.
::testing::AssertionResult coverageScaled(const QImage& layered, const QImage& reference,
                                          double factor) {
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            const double expected = qAlpha(reference.pixel(x, y)) * factor;
            if (std::abs(qAlpha(layered.pixel(x, y)) - expected) > 2) {
                return ::testing::AssertionFailure()
                       << "alpha " << qAlpha(layered.pixel(x, y)) << " at " << x << ", " << y
                       << ", expected " << expected;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(LayerDrawingTest, ContentDrawnThroughALayerKeepsAllItCovers) {
    // GIVEN content reaching well beyond its outline (miters, square caps, caps of a dot,
    // children moved by their transforms, a nested viewport, outlined glyphs), drawn plainly and
    // through a layer: a translucent node or group, or a clip that lets everything through
    const QString clips = R"svg(<defs>
        <rect id="everywhere" x="-100" y="-100" width="300" height="300"
              clipPathUnits="userSpaceOnUse"/>
        <rect id="tripleBox" x="-1" y="-1" width="3" height="3"/></defs>)svg";
    const QString spike = R"svg(<polygon points="40,90 50,40 60,90" fill="gold" stroke="red"
        stroke-width="6" stroke-miterlimit="20"%1/>)svg";
    const QString diagonal = R"svg(<line x1="30" y1="30" x2="70" y2="70" stroke="red"
        stroke-width="20" stroke-linecap="square" stroke-linejoin="bevel"/>)svg";
    const QString dot = R"svg(<path d="M50 50 Z" fill="blue" stroke="red" stroke-width="30"
        stroke-linecap="square"%1/>)svg";
    const QString moved = R"svg(<rect width="20" height="10" fill="red"
        transform="translate(70 0) rotate(30)"/><svg width="30" height="30" viewBox="0 0 10 10">
        <circle cx="5" cy="5" r="8" fill="blue"/></svg>)svg";
    const QString text = R"svg(<text x="5" y="70" font-size="60" fill="gold" stroke="black"
        stroke-width="4"%1>Wj</text>)svg";
    const QString boxed = R"svg(<rect x="40" y="40" width="20" height="20" fill="blue" stroke="red"
        stroke-width="16" stroke-linejoin="round"%1/>)svg";
    const QString half = QStringLiteral(R"svg( opacity="0.5")svg");
    const struct {
        const char* name;
        QString plain;
        QString layered;
        double factor;
    } scenes[] = {
        {"miter of a translucent shape", spike.arg(""), spike.arg(half), 0.5},
        {"square caps in a translucent group", diagonal, "<g opacity='0.5'>" + diagonal + "</g>",
         0.5},
        {"caps of a dot", dot.arg(""), dot.arg(half), 0.5},
        {"children in a translucent group", moved, "<g opacity='0.5'>" + moved + "</g>", 0.5},
        {"outlined glyphs", text.arg(""), text.arg(half), 0.5},
        {"clip in user space", clips + spike.arg(""),
         clips + "<g clip-path='url(#everywhere)'>" + spike.arg("") + "</g>", 1},
        {"clip in box units", clips + boxed.arg(""),
         clips + boxed.arg(" clip-path='url(#tripleBox)'"), 1},
    };
    for (const auto& scene : scenes) {
        SCOPED_TRACE(scene.name);
        // WHEN both are drawn
        const QImage reference = drawnMarkup(scene.plain);
        ASSERT_FALSE(isBlank(reference));
        // THEN the layer shows every pixel the plain drawing covers, at the layer's opacity
        EXPECT_TRUE(coverageScaled(drawnMarkup(scene.layered), reference, scene.factor));
    }
}

TEST(ImageDrawingTest, RasterBytesOfEveryFormatTheImageReaderKnowsAreDrawn) {
    QImage square(8, 8, QImage::Format_RGB32);
    square.fill(Qt::red);
    for (const char* format : {"png", "jpeg", "bmp", "ico", "ppm", "xpm"}) {
        const auto image = std::make_shared<SVGDataImage>(0, 0, 100, 100, encoded(square, format));
        EXPECT_TRUE(pixelIs(draw(image), 50, 50, red, 8)) << format;
    }
}

TEST(ImageDrawingTest, EmbeddedMarkupIsReadOnceWithTheDocumentAndNotAgainWhenDrawn) {
    // GIVEN a document holding an image whose markup breaks after a blue square
    const QByteArray inner =
        "<svg viewBox='0 0 10 10'><rect width='10' height='10' fill='blue'/><rect &";
    CapturedOutput parsing;
    const auto root = SVGParser::parseString(
        QStringLiteral(R"(<svg viewBox="0 0 10 10"><image width="10" height="10" )"
                       R"(xlink:href="data:image/svg+xml;base64,%1"/></svg>)")
            .arg(QString::fromLatin1(inner.toBase64())));
    // THEN its error is written once, while the document is read
    EXPECT_EQ(parsing.lines().size(), 1);
    // AND drawing it twice shows the square and writes nothing more
    CapturedOutput drawing;
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_TRUE(pixelIs(draw(root, 10), 5, 5, blue));
    }
    EXPECT_TRUE(drawing.lines().isEmpty());
}

TEST(DrawingTest, DrawsIntoAnyPaintDeviceAtItsPixelRatio) {
    // GIVEN an image of twice the pixels, and a group whose opacity needs a layer
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        drawDocument(painter, faded(group({rect(50, 50, 50, 50, 0xFF0000)}), 0.5).get(),
                     QSizeF(100, 100));
    }
    // THEN the square covers a quarter of the pixels at the bottom right
    expectProbes(image, {{150, 150, 0x80FF0000, 4}, {101, 101, 0x80FF0000, 4}, {98, 150, clear}});
}

TEST(GestureTest, TapFindsTheTopmostPaintedNodeWithGesturesThroughTransformsAndClips) {
    // GIVEN a 24-unit document shown in a space of 96, holding two overlapping squares, a group
    // with a circle without gestures of its own, a moved and clipped square and a ring
    const auto lower = rect(0, 0, 12, 12, 0xFF0000);
    const auto upper = rect(6, 6, 12, 12, 0x0000FF);
    const auto circleGroup = group({filled(std::make_shared<SVGCircle>(20, 20, 3), 0x00FF00)});
    const auto movedSquare =
        clipped(moved(rect(20, 8, 4, 4, 0xFF0000), QTransform::fromTranslate(0, -8)),
                std::make_shared<SVGRect>(20, 8, 2, 4));
    const auto ring = stroked(std::make_shared<SVGCircle>(4, 20, 2), stroke(paint(0xFF0000), 1));
    for (const auto& node : Nodes{lower, upper, circleGroup, movedSquare, ring}) {
        node->onTapGesture(1, [] {});
    }
    const auto document =
        viewport(24, 24, QRectF(0, 0, 24, 24), {lower, upper, circleGroup, movedSquare, ring});
    // (92, 8) is cut away by the clip, (84, 40) is where the square would lie without its
    // transform, and a ring without fill is hit on its stroke only.
    const std::tuple<int, int, const SVGNode*> cases[] = {
        {8, 8, lower.get()}, {40, 40, upper.get()}, {80, 80, circleGroup.get()},
        {60, 8, nullptr},    {200, 200, nullptr},   {84, 8, movedSquare.get()},
        {92, 8, nullptr},    {84, 40, nullptr},     {24, 80, ring.get()},
        {16, 80, nullptr}};
    for (const auto& [x, y, target] : cases) {
        EXPECT_EQ(gestureTargetAt(*document, QPointF(x, y), QSizeF(96, 96)), target)
            << x << ", " << y;
    }
}

} // namespace
