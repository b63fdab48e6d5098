#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QWidget>

class QBoxLayout;

namespace marlox::app {

class OpacityFade;

// A card that blocks the window while it is presented: a backdrop of black at 0.45 opacity over
// everything in its parent, and a card of a fixed width centred on it. While presented, every
// click and key meant for a widget beneath it is swallowed; only the card of the topmost
// presented overlay takes input. Overlays that share a parent stack by their level, the higher
// above, over everything else of the parent. It fades in and out.
class BlockingOverlay : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal backdropOpacity = 0.45;

    ~BlockingOverlay() override;

    bool isPresented() const { return m_presented; }
    int level() const { return m_level; }
    // Whether it is fading in or out just now.
    bool isFading() const;
    QWidget* card() const { return m_card; }

protected:
    // `parent` is the window (or the widget) to cover; `level` its place among the overlays of
    // that parent; `cardWidth` and `cardSpacing` are the card's fixed width and the spacing of
    // its stack.
    BlockingOverlay(int level, int cardWidth, int cardSpacing, QWidget* parent);

    QBoxLayout* cardLayout() const;
    // The heading block: the title and the explanation, which wraps; more lines may be added to
    // the block it answers.
    QBoxLayout* addHeading(const QString& title, const QString& explanation);
    // The bar holding one button at its trailing edge.
    void addButtonBar(QWidget* button);
    // Shows or hides the overlay; a change starts the fade.
    void setPresented(bool presented);
    // The control that takes the keyboard when the overlay appears.
    void setInitialFocus(QWidget* widget) { m_initialFocus = widget; }

    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // A widget of the parent beneath this overlay, outside it and outside any overlay above it.
    bool isCoveredByMe(QObject* receiver) const;
    bool isAboveMe(const QWidget& other) const;
    void takeFocus();
    // The highest presented overlay of the same parent other than this one, when it stands
    // above `floor` (or anywhere, without a floor).
    BlockingOverlay* topmostPresentedAbove(const BlockingOverlay* floor) const;
    // The other presented overlays of the parent, lowest level first.
    QList<BlockingOverlay*> presentedSiblings() const;
    void restack();
    void coverParent();

    int m_level;
    QWidget* m_card = nullptr;
    OpacityFade* m_fade = nullptr;
    QPointer<QWidget> m_initialFocus;
    // Where the keyboard was before the overlay took it.
    QPointer<QWidget> m_previousFocus;
    bool m_presented = false;
    // The card's shadow, drawn for the card's current size.
    QImage m_shadow;
    QSize m_shadowCardSize;
};

} // namespace marlox::app
