#pragma once

#include "vector/SVGFont.h"
#include "vector/SVGNode.h"
#include "vector/SVGPaint.h"
#include "vector/SVGStroke.h"

#include <QString>

#include <memory>

namespace marlox::vector {

class SVGUserSpaceNode;

// One run of text. It has no position of its own: its transform places it, with the anchor
// horizontally and the first baseline at y = 0.
class SVGText : public SVGNode {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(std::shared_ptr<const marlox::vector::SVGFont> font READ font WRITE setFont NOTIFY
                   fontChanged)
    Q_PROPERTY(std::shared_ptr<const marlox::vector::SVGPaint> fill READ fill WRITE setFill NOTIFY
                   fillChanged)
    Q_PROPERTY(std::shared_ptr<const marlox::vector::SVGStroke> stroke READ stroke WRITE setStroke
                   NOTIFY strokeChanged)
    Q_PROPERTY(
        Qt::AlignmentFlag textAnchor READ textAnchor WRITE setTextAnchor NOTIFY textAnchorChanged)

public:
    // The anchor is Qt::AlignLeading, Qt::AlignHCenter or Qt::AlignTrailing.
    explicit SVGText(QString text, std::shared_ptr<const SVGFont> font = nullptr,
                     std::shared_ptr<const SVGPaint> fill = nullptr,
                     std::shared_ptr<const SVGStroke> stroke = nullptr,
                     Qt::AlignmentFlag textAnchor = Qt::AlignLeading,
                     const QTransform& transform = QTransform(), bool opaque = true,
                     double opacity = 1, std::shared_ptr<SVGUserSpaceNode> clip = nullptr,
                     std::shared_ptr<SVGNode> mask = nullptr);

    SVGNodeKind kind() const override { return SVGNodeKind::text; }

    const QString& text() const { return m_text; }
    void setText(QString text);
    const std::shared_ptr<const SVGFont>& font() const { return m_font; }
    void setFont(std::shared_ptr<const SVGFont> font);
    const std::shared_ptr<const SVGPaint>& fill() const { return m_fill; }
    void setFill(std::shared_ptr<const SVGPaint> fill);
    const std::shared_ptr<const SVGStroke>& stroke() const { return m_stroke; }
    void setStroke(std::shared_ptr<const SVGStroke> stroke);
    Qt::AlignmentFlag textAnchor() const { return m_textAnchor; }
    void setTextAnchor(Qt::AlignmentFlag textAnchor);

    // The box of the glyphs in the text's own space: from the anchor across the advance width,
    // from the ascent above the baseline to the descent below it.
    QRectF frame() const override;

signals:
    void textChanged();
    void fontChanged();
    void fillChanged();
    void strokeChanged();
    void textAnchorChanged();

private:
    QString m_text;
    std::shared_ptr<const SVGFont> m_font;
    std::shared_ptr<const SVGPaint> m_fill;
    std::shared_ptr<const SVGStroke> m_stroke;
    Qt::AlignmentFlag m_textAnchor = Qt::AlignLeading;
};

} // namespace marlox::vector
