#include "ui/kit/AppControls.h"

#include "ui/kit/AppFont.h"
#include "ui/kit/AppTheme.h"

#include <QAbstractItemView>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include <algorithm>
#include <cmath>

namespace marlox::ui {
namespace {

constexpr qreal disabledOpacity = 0.4;

} // namespace

AppButton::Metrics AppButton::metrics(AppControlSize size) {
    switch (size) {
    case AppControlSize::small:
        return {18, 8, 5};
    case AppControlSize::large:
        return {28, 14, 7};
    case AppControlSize::regular:
        break;
    }
    return {22, 10, 6};
}

QColor AppButton::fill(Look look, bool pressed) {
    if (look == Look::borderedProminent) {
        return pressed ? AppPalette::accent().darker(118) : AppPalette::accent();
    }
    return withOpacity(AppPalette::textPrimary(), pressed ? 0.24 : 0.14);
}

AppButton::AppButton(const QString& text, Look look, AppControlSize size, QWidget* parent)
    : QAbstractButton(parent), m_look(look), m_size(size) {
    setText(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
}

void AppButton::setLabelFont(const QFont& font) {
    m_labelFont = font;
    updateGeometry();
    update();
}

QFont AppButton::labelFont() const {
    return m_labelFont.value_or(appFont(13, QFont::Normal));
}

QSize AppButton::sizeHint() const {
    const Metrics measures = metrics(m_size);
    const qreal textWidth = QFontMetricsF(labelFont()).horizontalAdvance(text());
    return QSize(static_cast<int>(std::ceil(textWidth + 2 * measures.horizontalPadding)),
                 static_cast<int>(measures.height));
}

void AppButton::paintEvent(QPaintEvent*) {
    const Metrics measures = metrics(m_size);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1 : disabledOpacity);
    painter.fillPath(roundedRectPath(QRectF(rect()), measures.cornerRadius),
                     fill(m_look, isDown()));
    painter.setFont(labelFont());
    painter.setPen(AppPalette::textPrimary());
    painter.drawText(QRectF(rect()), Qt::AlignCenter | Qt::TextSingleLine, text());
}

void AppButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

AppPicker::AppPicker(QWidget* parent) : QComboBox(parent) {
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

QSize AppPicker::sizeWithEntryOf(int width) const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QSize entry(width, fontMetrics().height());
    return style()->sizeFromContents(QStyle::CT_ComboBox, &option, entry, this);
}

QSize AppPicker::sizeHint() const {
    const QSize whole = QComboBox::sizeHint();
    return {std::min(whole.width(), sizeWithEntryOf(widestPreferredText).width()), whole.height()};
}

QSize AppPicker::minimumSizeHint() const {
    const QSize whole = QComboBox::minimumSizeHint();
    const int shortEntry = static_cast<int>(std::ceil(shortWordWidth(font())));
    return {std::min(whole.width(), sizeWithEntryOf(shortEntry).width()), whole.height()};
}

void AppPicker::showPopup() {
    QComboBox::showPopup();
    // The list is a window of its own, as wide as its longest entry: without a window manager it
    // would draw past the application's window. Kept inside it, its entries end in an ellipsis.
    QWidget* list = view()->window();
    const QRect bounds(window()->mapToGlobal(QPoint(0, 0)), window()->size());
    QRect placed = list->geometry();
    placed.setSize(placed.size().boundedTo(bounds.size()));
    placed.moveLeft(std::clamp(placed.left(), bounds.left(), bounds.right() - placed.width() + 1));
    placed.moveTop(std::clamp(placed.top(), bounds.top(), bounds.bottom() - placed.height() + 1));
    list->setGeometry(placed);
}

void AppPicker::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText =
        fontMetrics().elidedText(option.currentText, Qt::ElideRight, field.width() - 2);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace marlox::ui
