#pragma once

#include "ui/kit/AppFont.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/StudioIcon.h"

#include <QAbstractButton>
#include <QFont>
#include <QString>
#include <QWidget>

#include <optional>

namespace marlox::ui {

// A capsule label, not interactive: an optional glyph in the tone's tint, then the title as plain
// text, padded by the size's metrics, on the tone's fill with the tone's outline. Takes its
// natural size, up to a title of widestTitle, which a longer one shortens to, ending in "…"; in a
// row short of room it gives way as a text does, down to a title of a short word.
class AppPillLabel : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal widestTitle = 200;

    AppPillLabel(const QString& title, AppPillTone tone, std::optional<StudioGlyph> glyph,
                 AppPillSize size, QWidget* parent = nullptr);

    const QString& title() const { return m_title; }
    AppPillTone tone() const { return m_tone; }
    std::optional<StudioGlyph> glyph() const { return m_glyph; }

    void setTitle(const QString& title);
    void setTone(AppPillTone tone);
    void setGlyph(std::optional<StudioGlyph> glyph);

    // How far below its top the title's baseline lies.
    qreal baseline() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GivingWayWidths titleWidths() const;
    QSize sizeWithTitleOf(qreal width) const;
    void changed();

    QString m_title;
    AppPillTone m_tone;
    std::optional<StudioGlyph> m_glyph;
    AppPillSize m_size;
};

// A capsule of one colour with a short text and no outline, for marks with measures of their own
// (the sidebar's update count, the "Developer" mark): the text as plain text on one line, padded
// by the paddings. Takes its natural size.
class AppCapsuleLabel : public QWidget {
    Q_OBJECT

public:
    struct Look {
        QFont font;
        QColor textColor;
        QColor fill;
        qreal horizontalPadding = 0;
        qreal verticalPadding = 0;
    };

    AppCapsuleLabel(const QString& title, Look look, QWidget* parent = nullptr);

    const QString& title() const { return m_title; }
    void setTitle(const QString& title);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    Look m_look;
};

// A square badge 34 by 34 points, whatever its title: the title (usually a count) centred in
// appFont(12, semibold) in the tone's tint, elided when wider than the badge, on a rounded
// square of radius 10 in the tone's fill and outline.
class AppCountBadge : public QWidget {
    Q_OBJECT

public:
    static constexpr int side = 34;

    AppCountBadge(const QString& title, AppPillTone tone, QWidget* parent = nullptr);

    const QString& title() const { return m_title; }
    AppPillTone tone() const { return m_tone; }
    void setTitle(const QString& title);
    void setTone(AppPillTone tone);

    QSize sizeHint() const override { return QSize(side, side); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    AppPillTone m_tone;
};

// The capsule look of a pill button for a tone and size. While pressed, five things change at
// once: the label at 0.88 opacity, the fill at 0.9, the outline at 0.85, the whole scaled to
// 0.985 about its centre and drawn at 0.95; released, all are 1.
struct AppPillButtonStyle {
    AppPillTone tone = AppPillTone::neutral;
    AppPillSize size = AppPillSize::regular;

    struct PressLook {
        qreal labelOpacity;
        qreal fillOpacity;
        qreal outlineOpacity;
        qreal scale;
        qreal opacity;
    };
    static PressLook pressLook(bool pressed);
    // A disabled button is drawn whole at this opacity, pressed or not.
    static constexpr qreal disabledOpacity = 0.45;
};

// A push button drawn in AppPillButtonStyle; the pressed look follows isDown(), the faded look of a
// disabled button isEnabled(). Its label is an optional leading symbol, then the text as plain
// text, in appFont of the size's title size, semibold, unless the caller sets a font of its own;
// symbol and text take the tone's tint. Clicks arrive as QAbstractButton::clicked.
class AppPillButton : public QAbstractButton {
    Q_OBJECT

public:
    AppPillButton(const QString& text, AppPillButtonStyle style, QWidget* parent = nullptr);

    // A platform symbol (SymbolIcon's drawing) before the text.
    void setLeadingSymbol(const QString& name, qreal size, QFont::Weight weight);
    // Room between the leading icon and the text (the size's spacing unless set).
    void setLabelSpacing(qreal spacing);
    // Replaces the style's font for the text.
    void setLabelFont(const QFont& font);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct LeadingIcon {
        QString symbolName;
        qreal size = 0;
        QFont::Weight weight = QFont::Normal;
    };

    QFont labelFont() const;
    qreal labelSpacing() const;
    QSizeF labelSize() const;
    void paintContent(QPainter& painter, const QRectF& frame, bool pressed) const;
    void changed();

    AppPillButtonStyle m_style;
    std::optional<LeadingIcon> m_leadingIcon;
    std::optional<qreal> m_labelSpacing;
    std::optional<QFont> m_labelFont;
};

// The full-window background: a gradient from the darkest palette colour at the top-left corner
// to sRGB (0.03, 0.05, 0.09) at the bottom-right. Screens use it as the container of their content.
class AppSectionBackground : public QWidget {
    Q_OBJECT

public:
    explicit AppSectionBackground(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Paints the background gradient over the rectangle, for widgets that paint their own.
void paintAppSectionBackground(QPainter& painter, const QRectF& rect);

} // namespace marlox::ui
