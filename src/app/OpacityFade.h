#pragma once

#include <QObject>

class QGraphicsOpacityEffect;
class QVariantAnimation;
class QWidget;

namespace marlox::app {

// Shows and hides a widget with a short fade of its opacity. The widget is hidden once it has
// faded out; in between it is drawn through an opacity effect, which goes again at the end.
class OpacityFade final : public QObject {
    Q_OBJECT

public:
    static constexpr int milliseconds = 200;

    explicit OpacityFade(QWidget& widget);

    // Shows the widget and fades it in, from where a fade out had come if one was under way.
    // Nothing happens when it is already shown or fading in; the same the other way round.
    void fadeIn();
    void fadeOut();
    bool isRunning() const;

private:
    void fade(bool in);
    void ended();

    QWidget& m_widget;
    QVariantAnimation* m_animation = nullptr;
    QGraphicsOpacityEffect* m_effect = nullptr;
    bool m_fadingIn = false;
};

} // namespace marlox::app
