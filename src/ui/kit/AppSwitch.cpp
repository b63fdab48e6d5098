#include "ui/kit/AppSwitch.h"

#include "ui/kit/AppTheme.h"

#include <QPainter>

namespace marlox::ui {
namespace {

constexpr qreal knobInset = 2;
constexpr qreal disabledOpacity = 0.45;

} // namespace

AppSwitch::AppSwitch(Size size, QWidget* parent) : QAbstractButton(parent), m_size(size) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void AppSwitch::setDrawingScale(qreal scale) {
    m_drawingScale = scale;
    update();
}

QSize AppSwitch::sizeHint() const {
    return m_size == Size::regular ? QSize(38, 22) : QSize(30, 18);
}

void AppSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1 : disabledOpacity);
    const QPointF center = QRectF(rect()).center();
    painter.translate(center);
    painter.scale(m_drawingScale, m_drawingScale);
    painter.translate(-center);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    paintFilledOutline(painter, capsulePath(track),
                       isChecked() ? AppPalette::accent() : withOpacity(Qt::white, 0.16),
                       AppPalette::hairline());
    const qreal knob = track.height() - 2 * knobInset;
    const qreal left = isChecked() ? track.right() - knobInset - knob : track.left() + knobInset;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(left, track.top() + knobInset, knob, knob));
}

} // namespace marlox::ui
