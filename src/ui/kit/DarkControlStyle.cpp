#include "ui/kit/DarkControlStyle.h"

#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"
#include "ui/kit/SymbolIcon.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOption>

#include <algorithm>

namespace marlox::ui {
namespace {

constexpr qreal comboCornerRadius = 6;
constexpr qreal comboChevronSize = 13;
constexpr qreal checkBoxCornerRadius = 3.5;
constexpr int scrollHandleMinimumLength = 28;
// Across the bar the handle is thin, and wider while the pointer is over the bar.
constexpr qreal scrollHandleThickness = 6;
constexpr qreal scrollHandleHoverThickness = 8;
// Along the bar the handle keeps clear of the track's ends.
constexpr qreal scrollHandleEndInset = 2;

bool has(const QStyleOption& option, QStyle::StateFlag flag) {
    return option.state.testFlag(flag);
}

// Draws with the painter faded while the control is disabled.
class FadedWhileDisabled {
public:
    FadedWhileDisabled(QPainter& painter, const QStyleOption& option) : m_painter(painter) {
        m_painter.save();
        m_painter.setRenderHint(QPainter::Antialiasing);
        if (!has(option, QStyle::State_Enabled)) {
            m_painter.setOpacity(m_painter.opacity() * DarkControlStyle::disabledOpacity);
        }
    }
    ~FadedWhileDisabled() { m_painter.restore(); }

    FadedWhileDisabled(const FadedWhileDisabled&) = delete;
    FadedWhileDisabled& operator=(const FadedWhileDisabled&) = delete;

private:
    QPainter& m_painter;
};

void paintCheckBox(const QStyleOption& option, QPainter& painter) {
    const FadedWhileDisabled faded(painter, option);
    const qreal side = std::min(option.rect.width(), option.rect.height());
    QRectF box(0, 0, side, side);
    box.moveCenter(QRectF(option.rect).center());
    box.adjust(0.5, 0.5, -0.5, -0.5);
    const bool marked = has(option, QStyle::State_On) || has(option, QStyle::State_NoChange);
    const bool pressed = has(option, QStyle::State_Sunken);
    QColor fill = AppPalette::panelRaised();
    if (marked) {
        fill = pressed ? AppPalette::accent().darker(115) : AppPalette::accent();
    } else if (pressed) {
        fill = AppPalette::panelHighlight();
    }
    paintFilledOutline(painter, roundedRectPath(box, checkBoxCornerRadius), fill,
                       marked ? fill : AppPalette::hairline());
    if (!marked) {
        return;
    }
    const auto at = [&box](qreal x, qreal y) {
        return QPointF(box.left() + x * box.width(), box.top() + y * box.height());
    };
    QPainterPath mark;
    if (has(option, QStyle::State_On)) {
        mark.moveTo(at(0.26, 0.53));
        mark.lineTo(at(0.43, 0.70));
        mark.lineTo(at(0.75, 0.32));
    } else {
        mark.moveTo(at(0.28, 0.5));
        mark.lineTo(at(0.72, 0.5));
    }
    painter.strokePath(mark, QPen(Qt::white, side / 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void paintComboBox(const QStyleOptionComboBox& option, QPainter& painter, const QRect& arrow) {
    const FadedWhileDisabled faded(painter, option);
    const bool open = has(option, QStyle::State_On) || has(option, QStyle::State_Sunken);
    const bool hovered = has(option, QStyle::State_MouseOver);
    const QRectF box = QRectF(option.rect).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = roundedRectPath(box, comboCornerRadius);
    paintFilledOutline(painter, shape,
                       open || hovered ? AppPalette::panelHighlight() : AppPalette::panelRaised(),
                       AppPalette::hairline());
    if (has(option, QStyle::State_HasFocus) && has(option, QStyle::State_KeyboardFocusChange)) {
        painter.strokePath(shape, QPen(withOpacity(AppPalette::accent(), 0.7), 1.5));
    }
    QRectF chevron(0, 0, comboChevronSize, comboChevronSize);
    chevron.moveCenter(QRectF(arrow).center());
    drawSymbol(painter, chevron, QStringLiteral("chevron.up.chevron.down"),
               AppPalette::textSecondary(), QFont::DemiBold);
}

// The handle's place on the whole length of the bar: there are no arrow buttons.
QRect scrollHandleRect(const QStyleOptionSlider& bar) {
    const bool horizontal = bar.orientation == Qt::Horizontal;
    const int length = horizontal ? bar.rect.width() : bar.rect.height();
    const qint64 range = qint64(bar.maximum) - bar.minimum;
    int handleLength = length;
    if (range > 0) {
        const qint64 page = std::max(bar.pageStep, 0);
        handleLength = static_cast<int>(
            std::max<qint64>(scrollHandleMinimumLength, length * page / (range + page)));
    }
    handleLength = std::min(handleLength, length);
    const int start = QStyle::sliderPositionFromValue(bar.minimum, bar.maximum, bar.sliderPosition,
                                                      length - handleLength, bar.upsideDown);
    return horizontal ? QRect(bar.rect.x() + start, bar.rect.y(), handleLength, bar.rect.height())
                      : QRect(bar.rect.x(), bar.rect.y() + start, bar.rect.width(), handleLength);
}

QRect scrollBarPart(const QStyleOptionSlider& bar, QStyle::SubControl part) {
    const QRect handle = scrollHandleRect(bar);
    const bool horizontal = bar.orientation == Qt::Horizontal;
    QRect before = bar.rect;
    QRect after = bar.rect;
    if (horizontal) {
        before.setRight(handle.left() - 1);
        after.setLeft(handle.right() + 1);
    } else {
        before.setBottom(handle.top() - 1);
        after.setTop(handle.bottom() + 1);
    }
    switch (part) {
    case QStyle::SC_ScrollBarGroove:
        return bar.rect;
    case QStyle::SC_ScrollBarSlider:
        return handle;
    case QStyle::SC_ScrollBarSubPage:
        return bar.upsideDown ? after : before;
    case QStyle::SC_ScrollBarAddPage:
        return bar.upsideDown ? before : after;
    default:
        return {};
    }
}

void paintScrollBar(const QStyleOptionSlider& bar, QPainter& painter) {
    if (bar.maximum <= bar.minimum || !has(bar, QStyle::State_Enabled)) {
        return;
    }
    const bool horizontal = bar.orientation == Qt::Horizontal;
    const bool pressed = has(bar, QStyle::State_Sunken) &&
                         bar.activeSubControls.testFlag(QStyle::SC_ScrollBarSlider);
    const bool hovered = has(bar, QStyle::State_MouseOver);
    const qreal thickness = hovered || pressed ? scrollHandleHoverThickness : scrollHandleThickness;
    QRectF handle = scrollHandleRect(bar);
    const qreal across = horizontal ? handle.height() : handle.width();
    const qreal inset = std::max<qreal>(0, (across - thickness) / 2);
    handle = horizontal
                 ? handle.adjusted(scrollHandleEndInset, inset, -scrollHandleEndInset, -inset)
                 : handle.adjusted(inset, scrollHandleEndInset, -inset, -scrollHandleEndInset);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(capsulePath(handle),
                     withOpacity(Qt::white, pressed ? 0.5 : (hovered ? 0.4 : 0.28)));
    painter.restore();
}

} // namespace

DarkControlStyle::DarkControlStyle() : QProxyStyle(QStringLiteral("Fusion")) {}

void DarkControlStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                     QPainter* painter, const QWidget* widget) const {
    if (element == PE_IndicatorCheckBox) {
        paintCheckBox(*option, *painter);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void DarkControlStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                          QPainter* painter, const QWidget* widget) const {
    if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        bar && control == CC_ScrollBar) {
        paintScrollBar(*bar, *painter);
        return;
    }
    if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
        combo && control == CC_ComboBox) {
        paintComboBox(*combo, *painter,
                      subControlRect(CC_ComboBox, combo, SC_ComboBoxArrow, widget));
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect DarkControlStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                       SubControl part, const QWidget* widget) const {
    if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        bar && control == CC_ScrollBar) {
        return scrollBarPart(*bar, part);
    }
    return QProxyStyle::subControlRect(control, option, part, widget);
}

void DarkControlStyle::drawItemText(QPainter* painter, const QRect& rect, int flags,
                                    const QPalette& palette, bool enabled, const QString& text,
                                    QPalette::ColorRole textRole) const {
    if (enabled) {
        QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, textRole);
        return;
    }
    // The enabled text colour faded, whatever the palette holds for disabled text: a label
    // coloured for all states (as the kit's plain labels are) dims too. Drawn as enabled, so
    // that Fusion neither etches nor dithers it.
    painter->save();
    painter->setOpacity(painter->opacity() * disabledOpacity);
    QPalette shown = palette;
    if (textRole != QPalette::NoRole) {
        shown.setBrush(palette.currentColorGroup(), textRole,
                       palette.brush(QPalette::Active, textRole));
    }
    QProxyStyle::drawItemText(painter, rect, flags, shown, true, text, textRole);
    painter->restore();
}

void useDarkApplicationAppearance() {
    QApplication::setStyle(new DarkControlStyle);
    QApplication::setPalette(darkAppearancePalette(QApplication::palette()));
}

} // namespace marlox::ui
