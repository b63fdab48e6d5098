#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QWidget>

namespace marlox::ui {

// The small indeterminate progress indicator: twelve spokes around a centre, the brightest one
// stepping round while the spinner is visible. It turns only while shown, so a hidden one costs
// nothing.
class ActivitySpinner : public QWidget {
    Q_OBJECT

public:
    static constexpr int smallSide = 16;
    static constexpr int spokeCount = 12;

    explicit ActivitySpinner(const QColor& color, int side = smallSide, QWidget* parent = nullptr);

    // Which spoke leads, 0 to spokeCount - 1.
    int phase() const { return m_phase; }
    bool isTurning() const { return m_timer.isActive(); }
    // A spinner told to stand still shows its first phase until told to turn again, for pictures
    // that must not depend on the moment they are taken.
    void setStandingStill(bool still);

    QSize sizeHint() const override { return QSize(m_side, m_side); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QColor m_color;
    int m_side;
    int m_phase = 0;
    bool m_standingStill = false;
    QBasicTimer m_timer;
};

} // namespace marlox::ui
