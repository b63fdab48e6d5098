#pragma once

#include "ui/kit/ScreenParts.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QString>

namespace marlox::ui {
class SymbolIcon;
} // namespace marlox::ui

// The small pieces the Support screen is laid out with, besides the shared screen parts.
namespace marlox::screens {

// A square tile of that side and corner radius filled with the colour, with a symbol centred on it.
class IconBadge : public ui::RoundedPanel {
    Q_OBJECT

public:
    IconBadge(qreal side, qreal radius, const QColor& fill, ui::SymbolIcon* symbol,
              QWidget* parent = nullptr);

    ui::SymbolIcon& symbol() const { return *m_symbol; }

private:
    ui::SymbolIcon* m_symbol;
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
