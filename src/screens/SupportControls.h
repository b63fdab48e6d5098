#pragma once

#include <QAbstractButton>
#include <QBrush>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

namespace marlox::ui {
class SymbolIcon;
} // namespace marlox::ui

// The small pieces the Support screen is laid out with.
namespace marlox::screens {

// Gives the screen and its platform controls (fields, menus, scroll bars) the dark appearance
// the window always has.
void useDarkAppearance(QWidget& screen);

// A label that shows the text as plain text, never as markup.
QLabel* plainLabel(const QString& text, const QFont& font, const QColor& color,
                   QWidget* parent = nullptr);

// A panel that paints a rounded rectangle behind its children: its fill, made for the panel's
// rectangle (so a gradient spans it), and optionally a hairline border.
class RoundedSurface : public QWidget {
    Q_OBJECT

public:
    using Fill = std::function<QBrush(const QRectF& rect)>;

    RoundedSurface(qreal radius, Fill fill, std::optional<QColor> border = std::nullopt,
                   QWidget* parent = nullptr);
    // A fill of one colour.
    static Fill solid(const QColor& color);

    void setFill(Fill fill);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_radius;
    Fill m_fill;
    std::optional<QColor> m_border;
};

// A square tile of that side and corner radius filled with the colour, with a symbol centred on it.
class IconBadge : public RoundedSurface {
    Q_OBJECT

public:
    IconBadge(qreal side, qreal radius, const QColor& fill, ui::SymbolIcon* symbol,
              QWidget* parent = nullptr);

    ui::SymbolIcon& symbol() const { return *m_symbol; }

private:
    ui::SymbolIcon* m_symbol;
};

// One line of plain text, shortened with an ellipsis at the given place when it does not fit;
// it never wraps.
class ElidedLabel : public QWidget {
    Q_OBJECT

public:
    ElidedLabel(const QString& text, Qt::TextElideMode mode, const QFont& font, const QColor& color,
                QWidget* parent = nullptr);

    const QString& text() const { return m_text; }
    void setText(const QString& text);
    // What is shown at the present width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    Qt::TextElideMode m_mode;
    QColor m_color;
};

// A flat button that shows only a symbol.
class SymbolButton : public QAbstractButton {
    Q_OBJECT

public:
    SymbolButton(const QString& symbolName, qreal size, const QColor& color, QFont::Weight weight,
                 QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbolName;
    qreal m_size;
    QColor m_color;
    QFont::Weight m_weight;
};

} // namespace marlox::screens
