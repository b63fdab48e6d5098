#include "ui/kit/ActivitySpinner.h"

#include "ui/kit/AppTheme.h"

#include <QPainter>
#include <QTimerEvent>

namespace marlox::ui {
namespace {

// One turn a second.
constexpr int stepMilliseconds = 1000 / ActivitySpinner::spokeCount;

} // namespace

ActivitySpinner::ActivitySpinner(const QColor& color, int side, QWidget* parent)
    : QWidget(parent), m_color(color), m_side(side) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ActivitySpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const qreal outer = side / 2;
    const qreal inner = outer * 0.45;
    QPen pen(m_color, side * 0.09, Qt::SolidLine, Qt::RoundCap);
    painter.translate(QRectF(rect()).center());
    for (int spoke = 0; spoke < spokeCount; ++spoke) {
        // The leading spoke is opaque; those behind it fade to a quarter.
        const int behind = (m_phase - spoke + spokeCount) % spokeCount;
        pen.setColor(withOpacity(m_color, 1.0 - 0.75 * behind / (spokeCount - 1)));
        painter.setPen(pen);
        painter.drawLine(QPointF(0, -inner), QPointF(0, -outer + pen.widthF() / 2));
        painter.rotate(360.0 / spokeCount);
    }
}

void ActivitySpinner::setStandingStill(bool still) {
    m_standingStill = still;
    if (still) {
        m_timer.stop();
        m_phase = 0;
        update();
    } else if (isVisible()) {
        m_timer.start(stepMilliseconds, this);
    }
}

void ActivitySpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_standingStill) {
        m_timer.start(stepMilliseconds, this);
    }
}

void ActivitySpinner::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QWidget::hideEvent(event);
}

void ActivitySpinner::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    m_phase = (m_phase + 1) % spokeCount;
    update();
}

} // namespace marlox::ui
