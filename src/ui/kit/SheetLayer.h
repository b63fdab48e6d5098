#pragma once

#include "ui/kit/BlockingLayer.h"

#include <QPointer>

class QAbstractButton;

namespace marlox::ui {

// A sheet drawn inside the window of the screen that presents it: its card centred on the dimmed
// backdrop, over the window's content and beneath the window's blocking overlays. While it is
// presented nothing else of the window takes a click or the keyboard, toolbar included. Escape
// dismisses it, and Return presses its default button when it has one; however it goes,
// `dismissed` is emitted once.
class SheetLayer : public BlockingLayer {
    Q_OBJECT

public:
    // Beneath the blocking overlays, which an action in the sheet may raise.
    static constexpr int level = 0;

    QWidget* card() const { return m_card; }
    void open();
    void dismiss();

signals:
    void dismissed();

protected:
    // Covers the content of `presenter`'s window: a main window's central widget, else the whole
    // window; without a presenter it stands alone. `margin` is kept free around the card.
    SheetLayer(int margin, QWidget* presenter);

    // The card, centred; set once.
    void setCard(QWidget* card);
    void setDefaultButton(QAbstractButton* button) { m_defaultButton = button; }

    const QWidget* blockedArea() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_card = nullptr;
    QPointer<QAbstractButton> m_defaultButton;
};

} // namespace marlox::ui
