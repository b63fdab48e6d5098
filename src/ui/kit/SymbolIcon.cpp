#include "ui/kit/SymbolIcon.h"

#include "ui/kit/StudioIcon.h"

#include <algorithm>

namespace marlox::ui {

const QStringList& systemSymbolNames() {
    static const QStringList names = {
        QStringLiteral("app.fill"),
        QStringLiteral("arrow.down.circle.fill"),
        QStringLiteral("bubble.left.and.text.bubble.right"),
        QStringLiteral("checkmark.circle.fill"),
        QStringLiteral("chevron.right"),
        QStringLiteral("chevron.up.chevron.down"),
        QStringLiteral("cpu"),
        QStringLiteral("desktopcomputer"),
        QStringLiteral("doc"),
        QStringLiteral("doc.on.doc"),
        QStringLiteral("doc.richtext"),
        QStringLiteral("doc.text"),
        QStringLiteral("doc.text.magnifyingglass"),
        QStringLiteral("envelope"),
        QStringLiteral("film"),
        QStringLiteral("film.stack"),
        QStringLiteral("folder"),
        QStringLiteral("folder.badge.plus"),
        QStringLiteral("info.circle"),
        QStringLiteral("info.circle.fill"),
        QStringLiteral("laptopcomputer"),
        QStringLiteral("list.bullet"),
        QStringLiteral("paperclip"),
        QStringLiteral("paperplane.fill"),
        QStringLiteral("photo"),
        QStringLiteral("photo.on.rectangle.angled"),
        QStringLiteral("questionmark.square.dashed"),
        QStringLiteral("sidebar.left"),
        QStringLiteral("sidebar.right"),
        QStringLiteral("square.grid.2x2"),
        QStringLiteral("square.grid.3x2"),
        QStringLiteral("trash"),
        QStringLiteral("wrench.and.screwdriver"),
        QStringLiteral("xmark.circle.fill"),
    };
    return names;
}

double symbolStrokeWidth(QFont::Weight weight) {
    // Qt's weights run from 100 (thin) to 900 (black) in steps of 100.
    return 1.0 + (std::clamp(static_cast<int>(weight), 100, 900) - 100) / 400.0;
}

std::optional<QString> symbolMarkup(const QString& name, const QColor& color,
                                    QFont::Weight weight) {
    // The name is only ever one of the file names, never a path.
    if (!systemSymbolNames().contains(name)) {
        return std::nullopt;
    }
    const QString path = platform::pathForResource(iconBundles(), name, QStringLiteral("svg"),
                                                   QStringLiteral("Icons/symbols"));
    std::optional<QString> markup = path.isEmpty() ? std::nullopt : readUtf8File(path);
    if (!markup) {
        return std::nullopt;
    }
    markup->replace(QLatin1String("currentColor"), hexColorString(color));
    // The colour's own opacity fades the whole symbol, as a translucent foreground would.
    if (color.alphaF() < 1) {
        const qsizetype root = markup->indexOf(QLatin1String("<svg"));
        if (root >= 0) {
            markup->insert(root + 4,
                           QStringLiteral(" opacity=\"%1\"").arg(QString::number(color.alphaF())));
        }
    }
    return rewriteStrokeWidths(*markup, symbolStrokeWidth(weight));
}

void drawSymbol(QPainter& painter, const QRectF& frame, const QString& name, const QColor& color,
                QFont::Weight weight) {
    if (const std::optional<QString> markup = symbolMarkup(name, color, weight)) {
        drawIconMarkup(painter, frame, *markup);
    }
}

SymbolIcon::SymbolIcon(const QString& name, qreal size, const QColor& color, QFont::Weight weight,
                       QWidget* parent)
    : SquareIconWidget(size, parent), m_name(name), m_color(color), m_weight(weight) {
    rebuild();
}

void SymbolIcon::setName(const QString& name) {
    m_name = name;
    rebuild();
}

void SymbolIcon::setIconSize(qreal size) {
    setSide(size);
    rebuild();
}

void SymbolIcon::setColor(const QColor& color) {
    m_color = color;
    rebuild();
}

void SymbolIcon::setWeight(QFont::Weight weight) {
    m_weight = weight;
    rebuild();
}

void SymbolIcon::rebuild() {
    showMarkup(symbolMarkup(m_name, m_color, m_weight).value_or(QString()));
}

} // namespace marlox::ui
