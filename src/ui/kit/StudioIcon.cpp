#include "ui/kit/StudioIcon.h"

#include "ui/kit/IconSupport.h"
#include "ui/kit/SymbolIcon.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace marlox::ui {
namespace {

struct GlyphName {
    StudioGlyph glyph;
    const char16_t* rawValue;
};

constexpr std::array<GlyphName, 14> glyphNames = {{
    {StudioGlyph::home, u"house"},
    {StudioGlyph::library, u"library"},
    {StudioGlyph::filtersTab, u"filter-icon"},
    {StudioGlyph::updates, u"refresh-cw"},
    {StudioGlyph::installed, u"check-check"},
    {StudioGlyph::settings, u"settings"},
    {StudioGlyph::search, u"search"},
    {StudioGlyph::plugin, u"wand-sparkles"},
    {StudioGlyph::generatorsTab, u"generator-icon"},
    {StudioGlyph::template_, u"layers"},
    {StudioGlyph::package, u"package"},
    {StudioGlyph::external, u"external-link"},
    {StudioGlyph::warning, u"circle-alert"},
    {StudioGlyph::user, u"user"},
}};

const QString fallbackSymbolName = QStringLiteral("questionmark.square.dashed");

// A component of 0-65535 as 0-255, truncated: integer arithmetic, so that an 8-bit component
// read back is never one less through rounding.
int componentByte(quint16 component) {
    return static_cast<int>(quint32(component) * 255 / 65535);
}

// Extended components may lie outside 0-1; they are clamped so that the text stays six digits.
int extendedComponentByte(float component) {
    return std::clamp(static_cast<int>(std::trunc(component * 255)), 0, 255);
}

} // namespace

const QList<StudioGlyph>& allStudioGlyphs() {
    static const QList<StudioGlyph> glyphs = [] {
        QList<StudioGlyph> list;
        for (const GlyphName& name : glyphNames) {
            list.append(name.glyph);
        }
        return list;
    }();
    return glyphs;
}

QString rawValue(StudioGlyph glyph) {
    return QString::fromUtf16(glyphNames[static_cast<size_t>(glyph)].rawValue);
}

std::optional<StudioGlyph> studioGlyphFromRawValue(const QString& text) {
    for (const GlyphName& name : glyphNames) {
        if (text == QStringView(name.rawValue)) {
            return name.glyph;
        }
    }
    return std::nullopt;
}

size_t qHash(StudioGlyph glyph, size_t seed) {
    return ::qHash(rawValue(glyph), seed);
}

QString hexColorString(const QColor& color) {
    const QColor rgb = color.spec() == QColor::ExtendedRgb ? color : color.toRgb();
    if (!rgb.isValid()) {
        return QStringLiteral("#FFFFFF");
    }
    int red, green, blue;
    if (rgb.spec() == QColor::ExtendedRgb) {
        red = extendedComponentByte(rgb.redF());
        green = extendedComponentByte(rgb.greenF());
        blue = extendedComponentByte(rgb.blueF());
    } else {
        const QRgba64 components = rgb.rgba64();
        red = componentByte(components.red());
        green = componentByte(components.green());
        blue = componentByte(components.blue());
    }
    return QStringLiteral("#%1%2%3")
        .arg(red, 2, 16, QLatin1Char('0'))
        .arg(green, 2, 16, QLatin1Char('0'))
        .arg(blue, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString strokeWidthText(double strokeWidth) {
    // Room for the longest decimal form of a double: 309 digits before the point, or 17
    // significant ones after 323 zeros behind it.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), strokeWidth,
                                      std::chars_format::fixed);
    QString text = QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
    if (std::isfinite(strokeWidth) && !text.contains(u'.')) {
        text += QLatin1String(".0");
    }
    return text;
}

QString recolorIconMarkup(const QString& markup, const QString& tint, double strokeWidth) {
    static const QRegularExpression fill(QStringLiteral(R"re(fill\s*=\s*"(?!none\b)[^"]*")re"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression styleFill(
        QStringLiteral(R"re(style\s*=\s*"[^"]*fill\s*:\s*[^;"]+;?[^"]*")re"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression stroke(QStringLiteral(R"re(stroke\s*=\s*"[^"]*")re"),
                                           QRegularExpression::CaseInsensitiveOption);
    // The replacements hold no backslash, so none is read as a reference to a captured group.
    QString result = markup;
    result.replace(fill, QStringLiteral("fill=\"%1\"").arg(tint));
    result.replace(styleFill, QStringLiteral("style=\"fill:%1;\"").arg(tint));
    result.replace(stroke, QStringLiteral("stroke=\"%1\"").arg(tint));
    return rewriteStrokeWidths(result, strokeWidth);
}

QString rewriteStrokeWidths(const QString& markup, double strokeWidth) {
    static const QRegularExpression width(QStringLiteral(R"re(stroke-width\s*=\s*"[^"]*")re"),
                                          QRegularExpression::CaseInsensitiveOption);
    QString result = markup;
    return result.replace(width,
                          QStringLiteral("stroke-width=\"%1\"").arg(strokeWidthText(strokeWidth)));
}

std::optional<QString> iconFilePath(StudioGlyph glyph, const QList<platform::Bundle>& bundles) {
    const QString name = rawValue(glyph);
    const QString extension = QStringLiteral("svg");
    for (const QString& folder :
         {QStringLiteral("Icons"), QStringLiteral("Icons/lucide"), QString()}) {
        const QString path = platform::pathForResource(bundles, name, extension, folder);
        if (!path.isEmpty()) {
            return path;
        }
    }
    return std::nullopt;
}

std::optional<QString> tintedSVGMarkup(StudioGlyph glyph, const QColor& color, double strokeWidth,
                                       const QList<platform::Bundle>& bundles) {
    const std::optional<QString> path = iconFilePath(glyph, bundles);
    const std::optional<QString> markup = path ? readUtf8File(*path) : std::nullopt;
    if (!markup) {
        return std::nullopt;
    }
    return recolorIconMarkup(*markup, hexColorString(color), strokeWidth);
}

void drawStudioIcon(QPainter& painter, const QRectF& frame, StudioGlyph glyph, const QColor& color,
                    double strokeWidth) {
    if (const std::optional<QString> markup = tintedSVGMarkup(glyph, color, strokeWidth)) {
        drawIconMarkup(painter, frame, *markup);
    } else {
        drawSymbol(painter, frame, fallbackSymbolName, color, QFont::Normal);
    }
}

StudioIcon::StudioIcon(StudioGlyph glyph, qreal size, const QColor& color, double strokeWidth,
                       QWidget* parent)
    : StudioIcon(glyph, size, color, strokeWidth, iconBundles(), parent) {}

StudioIcon::StudioIcon(StudioGlyph glyph, qreal size, const QColor& color, double strokeWidth,
                       QList<platform::Bundle> iconBundles, QWidget* parent)
    : SquareIconWidget(size, parent), m_glyph(glyph), m_color(color), m_strokeWidth(strokeWidth),
      m_iconBundles(std::move(iconBundles)) {
    rebuild();
}

void StudioIcon::setGlyph(StudioGlyph glyph) {
    m_glyph = glyph;
    rebuild();
}

void StudioIcon::setIconSize(qreal size) {
    setSide(size);
    rebuild();
}

void StudioIcon::setColor(const QColor& color) {
    m_color = color;
    rebuild();
}

void StudioIcon::setStrokeWidth(double strokeWidth) {
    m_strokeWidth = strokeWidth;
    rebuild();
}

void StudioIcon::rebuild() {
    if (const std::optional<QString> markup =
            tintedSVGMarkup(m_glyph, m_color, m_strokeWidth, m_iconBundles)) {
        showMarkup(*markup);
    } else {
        showChild(new SymbolIcon(fallbackSymbolName, side(), m_color, QFont::Normal));
    }
}

} // namespace marlox::ui
