#pragma once

#include <QAbstractButton>
#include <QSize>

namespace marlox::ui {

// An on/off switch, checkable: a capsule track filled with the accent blue while on and with
// white at 0.16 while off, and a white knob at the end it is set to. A disabled switch is drawn
// at 0.45 opacity and takes no clicks. Changes arrive as QAbstractButton::toggled.
class AppSwitch : public QAbstractButton {
    Q_OBJECT

public:
    // Regular is 38 by 22 points, small 30 by 18.
    enum class Size { regular, small };

    explicit AppSwitch(Size size = Size::regular, QWidget* parent = nullptr);

    // Draws the switch scaled about its centre; its size in a layout stays the size's.
    void setDrawingScale(qreal scale);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Size m_size;
    qreal m_drawingScale = 1;
};

} // namespace marlox::ui
