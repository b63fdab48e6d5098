#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

namespace marlox::ui {

// A layer that blocks the widget beneath it while it is presented: a backdrop of black at 0.45
// opacity over everything in its parent, and whatever the layer holds on top. While presented,
// every click and key meant for a widget beneath it is swallowed and the keyboard stays inside
// it; only the topmost presented layer takes input. Layers that share a parent stack by their
// level, the higher above, over everything else of the parent.
class BlockingLayer : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal backdropOpacity = 0.45;

    ~BlockingLayer() override;

    bool isPresented() const { return m_presented; }
    int level() const { return m_level; }

protected:
    // `parent` is the widget to cover; `level` the layer's place among the layers of that parent.
    BlockingLayer(int level, QWidget* parent);

    // Shows or hides the layer.
    void setPresented(bool presented);
    // The control that takes the keyboard when the layer appears; the layer itself without one.
    void setInitialFocus(QWidget* widget) { m_initialFocus = widget; }
    // How the layer comes and goes once presented or not; at once unless a subclass fades it.
    virtual void appear();
    virtual void disappear();
    // What no input may reach while it is presented, besides what lies beneath it: the parent.
    virtual const QWidget* blockedArea() const;

    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // A widget of the blocked area, outside this layer and outside any layer above it.
    bool isCoveredByMe(QObject* receiver) const;
    bool isAboveMe(const QWidget& other) const;
    void takeFocus();
    // Takes the keyboard back when it went to a widget beneath.
    void keepFocus();
    // The highest presented layer of the same parent other than this one, when it stands above
    // `floor` (or anywhere, without a floor).
    BlockingLayer* topmostPresentedAbove(const BlockingLayer* floor) const;
    // The other presented layers of the parent, lowest level first.
    QList<BlockingLayer*> presentedSiblings() const;
    void restack();
    void coverParent();

    int m_level;
    QPointer<QWidget> m_initialFocus;
    // Where the keyboard was before the layer took it.
    QPointer<QWidget> m_previousFocus;
    bool m_presented = false;
};

} // namespace marlox::ui
