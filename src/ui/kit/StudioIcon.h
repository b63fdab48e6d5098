#pragma once

#include "ui/kit/IconSupport.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <optional>

class QPainter;

namespace marlox::ui {

// The application's own icons. Each raw value is the base name of an ".svg" file in the bundle,
// looked up in "Icons", then "Icons/lucide", then the resource root; the first found is drawn.
enum class StudioGlyph {
    home,          // "house"
    library,       // "library"
    filtersTab,    // "filter-icon"
    updates,       // "refresh-cw"
    installed,     // "check-check"
    settings,      // "settings"
    search,        // "search"
    plugin,        // "wand-sparkles"
    generatorsTab, // "generator-icon"
    template_,     // "layers"
    package,       // "package"
    external,      // "external-link"
    warning,       // "circle-alert"
    user,          // "user"
};

// Every glyph, in declaration order.
const QList<StudioGlyph>& allStudioGlyphs();
QString rawValue(StudioGlyph glyph);
// Exactly the fourteen raw values, letter case included; nothing for any other text.
std::optional<StudioGlyph> studioGlyphFromRawValue(const QString& rawValue);
size_t qHash(StudioGlyph glyph, size_t seed = 0);

// How an icon file is recoloured. Public so that the rules can be checked one by one.
// "#RRGGBB" of the colour in RGB, each component times 255 truncated and clamped to 0-255;
// "#FFFFFF" for a colour that has no RGB form. Alpha is ignored.
QString hexColorString(const QColor& color);
// The shortest text that reads back as the same number, a whole number keeping ".0" (2 -> "2.0").
QString strokeWidthText(double strokeWidth);
// The four rewrites, case-insensitive, in order: every double-quoted fill not beginning with the
// word none, a style declaring a fill (replaced whole), every stroke, every stroke-width.
QString recolorIconMarkup(const QString& markup, const QString& tint, double strokeWidth);
// The last of the four alone: every double-quoted stroke-width takes the width.
QString rewriteStrokeWidths(const QString& markup, double strokeWidth);
// The glyph's file among the bundles' resources: "Icons", then "Icons/lucide", then the resource
// root; nothing when none has it.
std::optional<QString> iconFilePath(StudioGlyph glyph,
                                    const QList<platform::Bundle>& bundles = iconBundles());
// The glyph's file read as UTF-8 and recoloured; nothing when it is missing or not UTF-8.
std::optional<QString> tintedSVGMarkup(StudioGlyph glyph, const QColor& color, double strokeWidth,
                                       const QList<platform::Bundle>& bundles = iconBundles());

// Draws the glyph as StudioIcon does, centred in the largest square of the frame: for widgets
// that paint their own content (pill labels and buttons). Looks up, reads and parses the file on
// every call.
void drawStudioIcon(QPainter& painter, const QRectF& frame, StudioGlyph glyph, const QColor& color,
                    double strokeWidth);

// A glyph in a square of `size` points, in `color`, with strokes `strokeWidth` wide in the icon
// file's own units (24 across). The file is drawn by the vector library's document view; without
// a readable file the dashed question-mark symbol shows instead, and markup that does not parse
// shows an empty square. The colour's alpha is ignored, as the tint text has none: a faded
// colour draws the glyph opaque. Mouse events pass through to the widget below.
class StudioIcon : public SquareIconWidget {
    Q_OBJECT

public:
    StudioIcon(StudioGlyph glyph, qreal size, const QColor& color, double strokeWidth,
               QWidget* parent = nullptr);
    // The same, drawn from the icon files of other bundles than the application's own.
    StudioIcon(StudioGlyph glyph, qreal size, const QColor& color, double strokeWidth,
               QList<platform::Bundle> iconBundles, QWidget* parent = nullptr);

    StudioGlyph glyph() const { return m_glyph; }
    qreal iconSize() const { return side(); }
    const QColor& color() const { return m_color; }
    double strokeWidth() const { return m_strokeWidth; }

    // Each change reads and parses the file anew.
    void setGlyph(StudioGlyph glyph);
    void setIconSize(qreal size);
    void setColor(const QColor& color);
    void setStrokeWidth(double strokeWidth);

private:
    void rebuild();

    StudioGlyph m_glyph;
    QColor m_color;
    double m_strokeWidth;
    QList<platform::Bundle> m_iconBundles;
};

} // namespace marlox::ui
