#include "WidgetTesting.h"

#include "platform/Bundle.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/DarkControlStyle.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>

namespace marlox::testing {

void prepareWidgetTests() {
    static const bool prepared = [] {
        ui::registerBundledFonts({platform::mainBundle().resourcePath()});
        ui::useAppFontAsDefault();
        ui::useDarkApplicationAppearance();
        return true;
    }();
    (void)prepared;
}

void settle() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout.count()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
    }
    return true;
}

QImage grab(QWidget& widget, const QSize& size) {
    if (widget.isWindow()) {
        widget.setAttribute(Qt::WA_DontShowOnScreen);
    }
    widget.show();
    settle();
    widget.resize(size.isValid() ? size : widget.sizeHint());
    settle();
    return picture(widget);
}

QImage picture(QWidget& widget) {
    // Rendered without the window's own background, so what the widget does not paint stays
    // transparent.
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

void showWhole(QWidget& widget, const QSize& size) {
    grab(widget, size);
    // Content laid out anew at the new height may scroll again (a grid that fills its view), so
    // this repeats a few times.
    for (int round = 0; round < 4; ++round) {
        int hidden = 0;
        for (const QAbstractScrollArea* area : widget.findChildren<QAbstractScrollArea*>()) {
            if (area->isVisibleTo(&widget) &&
                area->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff) {
                hidden = std::max(hidden, area->verticalScrollBar()->maximum());
            }
        }
        if (hidden == 0) {
            return;
        }
        widget.resize(widget.width(), widget.height() + hidden);
        settle();
    }
}

QImage grabWhole(QWidget& widget, const QSize& size) {
    showWhole(widget, size);
    return picture(widget);
}

QRect geometryIn(const QWidget& root, const QWidget& widget) {
    return QRect(widget.mapTo(&root, QPoint(0, 0)), widget.size());
}

Backdrop::Backdrop(QWidget* child, const QColor& color, int margin) : m_color(color) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->addWidget(child, 0, Qt::AlignCenter);
}

void Backdrop::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), m_color);
}

void hoverEnter(QWidget& widget) {
    const QPointF center = QRectF(widget.rect()).center();
    widget.setAttribute(Qt::WA_UnderMouse, true);
    QEnterEvent enter(center, widget.mapToGlobal(center), widget.mapToGlobal(center));
    QApplication::sendEvent(&widget, &enter);
    if (widget.testAttribute(Qt::WA_Hover)) {
        QHoverEvent hover(QEvent::HoverEnter, center, widget.mapToGlobal(center), QPointF(-1, -1));
        QApplication::sendEvent(&widget, &hover);
    }
    settle();
}

void hoverLeave(QWidget& widget) {
    widget.setAttribute(Qt::WA_UnderMouse, false);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
    if (widget.testAttribute(Qt::WA_Hover)) {
        const QPointF outside(-1, -1);
        QHoverEvent hover(QEvent::HoverLeave, outside, widget.mapToGlobal(outside),
                          QRectF(widget.rect()).center());
        QApplication::sendEvent(&widget, &hover);
    }
    settle();
}

QWidget* widgetNamed(QWidget& root, const QString& objectName) {
    if (root.objectName() == objectName) {
        return &root;
    }
    for (QWidget* child : root.findChildren<QWidget*>(objectName)) {
        if (child->isVisibleTo(&root)) {
            return child;
        }
    }
    ADD_FAILURE() << "no visible widget named " << objectName.toStdString();
    return nullptr;
}

QString labelText(const QWidget& root, const QString& objectName) {
    for (const QLabel* label : root.findChildren<QLabel*>(objectName)) {
        if (label->isVisibleTo(&root)) {
            return label->text();
        }
    }
    return QStringLiteral("<missing>");
}

bool isShown(const QWidget& root, const QString& objectName) {
    const QList<QWidget*> found = root.findChildren<QWidget*>(objectName);
    return std::any_of(found.cbegin(), found.cend(),
                       [&](const QWidget* widget) { return widget->isVisibleTo(&root); });
}

::testing::AssertionResult clickNamed(QWidget& root, const QString& objectName) {
    QWidget* target = widgetNamed(root, objectName);
    if (!target) {
        return ::testing::AssertionFailure() << "nothing to click";
    }
    if (!target->isEnabled()) {
        return ::testing::AssertionFailure() << objectName.toStdString() << " is disabled";
    }
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    settle();
    return ::testing::AssertionSuccess();
}

SaveGrabOnFailure::SaveGrabOnFailure(QWidget& widget, QString label)
    : m_widget(widget), m_label(std::move(label)) {}

SaveGrabOnFailure::~SaveGrabOnFailure() {
    if (::testing::Test::HasFailure()) {
        saveTestImage(picture(m_widget), m_label);
    }
}

} // namespace marlox::testing
