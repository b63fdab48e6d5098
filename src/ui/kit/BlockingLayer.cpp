#include "ui/kit/BlockingLayer.h"

#include "ui/kit/AppTheme.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace marlox::ui {
namespace {

bool isInputEvent(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

BlockingLayer* layerHolding(const QWidget* widget) {
    for (const QWidget* ancestor = widget; ancestor; ancestor = ancestor->parentWidget()) {
        if (auto* layer = qobject_cast<BlockingLayer*>(const_cast<QWidget*>(ancestor))) {
            return layer;
        }
    }
    return nullptr;
}

void sortByLevel(QList<BlockingLayer*>& layers) {
    std::stable_sort(layers.begin(), layers.end(),
                     [](const BlockingLayer* lower, const BlockingLayer* upper) {
                         return lower->level() < upper->level();
                     });
}

} // namespace

BlockingLayer::BlockingLayer(int level, QWidget* parent) : QWidget(parent), m_level(level) {
    if (parent) {
        parent->installEventFilter(this);
    }
    coverParent();
    hide();
}

BlockingLayer::~BlockingLayer() {
    qApp->removeEventFilter(this);
}

void BlockingLayer::appear() {
    show();
}

void BlockingLayer::disappear() {
    hide();
}

const QWidget* BlockingLayer::blockedArea() const {
    return parentWidget();
}

void BlockingLayer::setPresented(bool presented) {
    if (presented == m_presented) {
        return;
    }
    m_presented = presented;
    QWidget* focused = window()->focusWidget();
    if (presented) {
        qApp->installEventFilter(this);
        coverParent();
        appear();
        restack();
        m_previousFocus = focused && !isAncestorOf(focused) ? focused : nullptr;
        // A layer that appears beneath another leaves the keyboard with the upper one.
        if (!topmostPresentedAbove(this)) {
            takeFocus();
        }
        return;
    }
    qApp->removeEventFilter(this);
    if (!focused || focused == this || isAncestorOf(focused)) {
        if (BlockingLayer* remaining = topmostPresentedAbove(nullptr)) {
            remaining->takeFocus();
        } else if (m_previousFocus) {
            m_previousFocus->setFocus(Qt::OtherFocusReason);
        }
    }
    disappear();
}

void BlockingLayer::keepFocus() {
    if (m_presented && isCoveredByMe(window()->focusWidget())) {
        takeFocus();
    }
}

void BlockingLayer::takeFocus() {
    if (m_initialFocus) {
        m_initialFocus->setFocus(Qt::OtherFocusReason);
    } else {
        setFocus(Qt::OtherFocusReason);
    }
}

QList<BlockingLayer*> BlockingLayer::presentedSiblings() const {
    QList<BlockingLayer*> layers;
    if (parent()) {
        for (QObject* sibling : parent()->children()) {
            auto* layer = qobject_cast<BlockingLayer*>(sibling);
            if (layer && layer != this && layer->isPresented()) {
                layers.append(layer);
            }
        }
    }
    sortByLevel(layers);
    return layers;
}

BlockingLayer* BlockingLayer::topmostPresentedAbove(const BlockingLayer* floor) const {
    const QList<BlockingLayer*> layers = presentedSiblings();
    if (layers.isEmpty() || (floor && layers.last()->level() <= floor->level())) {
        return nullptr;
    }
    return layers.last();
}

void BlockingLayer::restack() {
    // The parent may have gained children since the layers were made: every presented layer goes
    // back on top, higher levels above lower ones.
    QList<BlockingLayer*> layers = presentedSiblings();
    layers.append(this);
    sortByLevel(layers);
    for (BlockingLayer* layer : layers) {
        layer->raise();
    }
}

bool BlockingLayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) {
        coverParent();
        return false;
    }
    if (!m_presented) {
        return QWidget::eventFilter(watched, event);
    }
    const QEvent::Type type = event->type();
    if ((type == QEvent::FocusIn || type == QEvent::MouseButtonPress) && isCoveredByMe(watched) &&
        !topmostPresentedAbove(this)) {
        // The keyboard may have gone to the window behind: a click gives focus before any filter
        // sees it, and an inactive window says so only once it is active again. It comes back to
        // the layer once the change is over.
        QMetaObject::invokeMethod(this, &BlockingLayer::keepFocus, Qt::QueuedConnection);
    }
    if (isInputEvent(type) && (watched == this || isCoveredByMe(watched))) {
        // What reaches the backdrop, or climbs to it from the layer's content, ends there too and
        // never reaches the window behind it.
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool BlockingLayer::isCoveredByMe(QObject* receiver) const {
    if (!receiver || !receiver->isWidgetType()) {
        return false;
    }
    const auto* widget = static_cast<const QWidget*>(receiver);
    // Dialogs such as the operation alert are windows of their own, outside the blocked area.
    const QWidget* covered = blockedArea();
    if (!covered || (widget != covered && !covered->isAncestorOf(widget))) {
        return false;
    }
    return widget != this && !isAncestorOf(widget) && !isAboveMe(*widget);
}

bool BlockingLayer::isAboveMe(const QWidget& other) const {
    const BlockingLayer* layer = layerHolding(&other);
    return layer && layer != this && layer->isPresented() && layer->parent() == parent() &&
           layer->level() > m_level;
}

bool BlockingLayer::focusNextPrevChild(bool next) {
    // Tab goes round the layer's controls and never leaves for the window behind.
    QWidget* current = window()->focusWidget();
    QWidget* candidate = current ? current : this;
    for (int step = 0; step < 1000; ++step) {
        candidate = next ? candidate->nextInFocusChain() : candidate->previousInFocusChain();
        if (candidate == current) {
            break;
        }
        if (isAncestorOf(candidate) && candidate->isVisibleTo(this) && candidate->isEnabled() &&
            (candidate->focusPolicy() & Qt::TabFocus)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

void BlockingLayer::coverParent() {
    if (auto* parent = parentWidget()) {
        setGeometry(parent->rect());
    }
}

void BlockingLayer::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), withOpacity(Qt::black, backdropOpacity));
}

} // namespace marlox::ui
