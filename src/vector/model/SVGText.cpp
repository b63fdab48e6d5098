#include "vector/SVGText.h"

#include "vector/SVGUserSpaceNode.h"

#include <QFontMetricsF>
#include <QGuiApplication>

namespace marlox::vector {

namespace {

struct GlyphMetrics {
    double advance = 0;
    double ascent = 0;
    double descent = 0;
};

GlyphMetrics measure(const QString& text, const std::shared_ptr<const SVGFont>& font) {
    const QFont qfont = font ? font->toQFont() : QFont();
    // Fonts can be measured only once a GUI application exists; without one the box is an
    // estimate from the size alone.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const double size = font ? font->size() : 16.0;
        return {text.size() * size * 0.5, size * 0.8, size * 0.2};
    }
    const QFontMetricsF metrics(qfont);
    return {metrics.horizontalAdvance(text), metrics.ascent(), metrics.descent()};
}

} // namespace

SVGText::SVGText(QString text, std::shared_ptr<const SVGFont> font,
                 std::shared_ptr<const SVGPaint> fill, std::shared_ptr<const SVGStroke> stroke,
                 Qt::AlignmentFlag textAnchor, const QTransform& transform, bool opaque,
                 double opacity, std::shared_ptr<SVGUserSpaceNode> clip,
                 std::shared_ptr<SVGNode> mask)
    : SVGNode(transform, opaque, opacity, std::move(clip), std::move(mask), std::nullopt),
      m_text(std::move(text)), m_font(std::move(font)), m_fill(std::move(fill)),
      m_stroke(std::move(stroke)), m_textAnchor(textAnchor) {}

void SVGText::setText(QString text) {
    publish(m_text, std::move(text), &SVGText::textChanged);
}

void SVGText::setFont(std::shared_ptr<const SVGFont> font) {
    publish(m_font, std::move(font), &SVGText::fontChanged);
}

void SVGText::setFill(std::shared_ptr<const SVGPaint> fill) {
    publish(m_fill, std::move(fill), &SVGText::fillChanged);
}

void SVGText::setStroke(std::shared_ptr<const SVGStroke> stroke) {
    publish(m_stroke, std::move(stroke), &SVGText::strokeChanged);
}

void SVGText::setTextAnchor(Qt::AlignmentFlag textAnchor) {
    publish(m_textAnchor, textAnchor, &SVGText::textAnchorChanged);
}

QRectF SVGText::frame() const {
    const GlyphMetrics glyphs = measure(m_text, m_font);
    double left = 0;
    if (m_textAnchor == Qt::AlignHCenter) {
        left = -glyphs.advance / 2;
    } else if (m_textAnchor == Qt::AlignTrailing) {
        left = -glyphs.advance;
    }
    return QRectF(left, -glyphs.ascent, glyphs.advance, glyphs.ascent + glyphs.descent);
}

} // namespace marlox::vector
