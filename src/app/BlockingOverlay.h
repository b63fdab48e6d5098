#pragma once

#include "ui/kit/BlockingLayer.h"

#include <QImage>
#include <QWidget>

class QBoxLayout;

namespace marlox::app {

class OpacityFade;

// A card that blocks the window while it is presented: a card of a fixed width centred on the
// backdrop of a blocking layer over everything in its parent (the toolbar outside the parent
// stays usable). Overlays above a sheet take the input from it. It fades in and out.
class BlockingOverlay : public ui::BlockingLayer {
    Q_OBJECT

public:
    // Whether it is fading in or out just now.
    bool isFading() const;
    QWidget* card() const { return m_card; }

protected:
    // `parent` is the window (or the widget) to cover; `level` its place among the layers of
    // that parent; `cardWidth` and `cardSpacing` are the card's fixed width and the spacing of
    // its stack.
    BlockingOverlay(int level, int cardWidth, int cardSpacing, QWidget* parent);

    QBoxLayout* cardLayout() const;
    // The heading block: the title and the explanation, which wraps; more lines may be added to
    // the block it answers.
    QBoxLayout* addHeading(const QString& title, const QString& explanation);
    // The bar holding one button at its trailing edge.
    void addButtonBar(QWidget* button);

    void appear() override;
    void disappear() override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_card = nullptr;
    OpacityFade* m_fade = nullptr;
    // The card's shadow, drawn for the card's current size.
    QImage m_shadow;
    QSize m_shadowCardSize;
};

} // namespace marlox::app
