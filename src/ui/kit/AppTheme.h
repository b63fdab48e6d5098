#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRectF>

// The shared look of every screen: the palette, the tones and sizes of pills, badges and pill
// buttons, and the outline shapes they are drawn with. Sizes are device-independent pixels
// ("points").
namespace marlox::ui {

// The fixed colours of the interface, each made once on first use. sRGB, opaque unless said.
namespace AppPalette {
const QColor& canvas();         // (0.04, 0.05, 0.07): darkest background, window
const QColor& canvasRaised();   // (0.05, 0.06, 0.08): sidebar
const QColor& panel();          // (0.10, 0.11, 0.14): cards, neutral pills and badges
const QColor& panelRaised();    // (0.13, 0.14, 0.18): raised surfaces
const QColor& panelHighlight(); // (0.16, 0.18, 0.22): thumbnail backdrop and tile
const QColor& hairline();       // white at 0.09: outlines, dividers, card borders
const QColor& hairlineSoft();   // white at 0.08
const QColor& textPrimary();    // white
const QColor& textSecondary();  // white at 0.68: secondary text and icons
const QColor& accent();         // (0.10, 0.66, 0.98): blue
const QColor& success();        // (0.24, 0.83, 0.45): green
const QColor& successDeep();    // (0.09, 0.25, 0.13)
const QColor& warning();        // (0.97, 0.66, 0.23): amber
const QColor& danger();         // (0.92, 0.25, 0.32): red
} // namespace AppPalette

// The platform's own colours where a design names them ("green" beside the palette's green), in
// their dark-appearance values.
namespace SystemColor {
const QColor& green(); // (48, 209, 88)
} // namespace SystemColor

// The colour at that opacity, multiplied into the colour's own.
QColor withOpacity(const QColor& color, qreal opacity);
// The colour as it shows over an opaque backdrop: for glyphs, which draw opaque whatever their
// colour's alpha, where a design fades them.
QColor opaqueOver(const QColor& color, const QColor& backdrop);

enum class AppPillTone { accent, success, neutral, warning };
enum class AppPillSize { regular, compact };

// What a tone paints: the glyph and text, the fill and the outline.
struct AppToneColors {
    QColor tint;
    QColor fill;
    QColor outline;
};
AppToneColors toneColors(AppPillTone tone);

// The measures shared by pill labels and pill buttons of one size.
struct AppPillMetrics {
    qreal spacing; // between glyph and title
    qreal horizontalPadding;
    qreal verticalPadding;
    qreal glyphSize;
    qreal glyphStrokeWidth;
    qreal titleFontSize; // appFont(titleFontSize, QFont::DemiBold)
};
AppPillMetrics pillMetrics(AppPillSize size);

// A capsule filling the rectangle: ends rounded by half the shorter side.
QPainterPath capsulePath(const QRectF& rect);
// A rectangle with rounded corners (a radius larger than half a side is cut down to it). The
// one place that decides the corner shape of every rounded card, tile and badge.
QPainterPath roundedRectPath(const QRectF& rect, qreal radius);

// Fills the shape and strokes its outline with a line of width 1 centred on it, as every pill,
// badge and card border is drawn. The shape should lie half a point inside the widget so that
// the outline is not cut.
void paintFilledOutline(QPainter& painter, const QPainterPath& shape, const QColor& fill,
                        const QColor& outline);

} // namespace marlox::ui
