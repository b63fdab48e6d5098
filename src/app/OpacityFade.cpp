#include "app/OpacityFade.h"

#include <QGraphicsOpacityEffect>
#include <QVariantAnimation>
#include <QWidget>

namespace marlox::app {

OpacityFade::OpacityFade(QWidget& widget)
    : QObject(&widget), m_widget(widget), m_animation(new QVariantAnimation(this)) {
    m_animation->setDuration(milliseconds);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        if (m_effect) {
            m_effect->setOpacity(value.toReal());
        }
    });
    connect(m_animation, &QVariantAnimation::finished, this, &OpacityFade::ended);
}

void OpacityFade::fadeIn() {
    if (!m_widget.isHidden() && (!isRunning() || m_fadingIn)) {
        return;
    }
    m_widget.show();
    fade(true);
}

void OpacityFade::fadeOut() {
    if (m_widget.isHidden() || (isRunning() && !m_fadingIn)) {
        return;
    }
    fade(false);
}

bool OpacityFade::isRunning() const {
    return m_animation->state() == QAbstractAnimation::Running;
}

void OpacityFade::fade(bool in) {
    m_fadingIn = in;
    if (!m_effect) {
        m_effect = new QGraphicsOpacityEffect(&m_widget);
        m_effect->setOpacity(in ? 0 : 1);
        m_widget.setGraphicsEffect(m_effect);
    }
    m_animation->stop();
    m_animation->setStartValue(m_effect->opacity());
    m_animation->setEndValue(in ? 1.0 : 0.0);
    m_animation->start();
}

void OpacityFade::ended() {
    // The effect draws the widget through an offscreen picture; it goes once the fade has.
    m_widget.setGraphicsEffect(nullptr);
    m_effect = nullptr;
    if (!m_fadingIn) {
        m_widget.hide();
    }
}

} // namespace marlox::app
