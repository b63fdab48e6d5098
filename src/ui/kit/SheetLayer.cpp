#include "ui/kit/SheetLayer.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMainWindow>
#include <QVBoxLayout>

namespace marlox::ui {
namespace {

QWidget* windowContent(QWidget* presenter) {
    if (!presenter) {
        return nullptr;
    }
    QWidget* window = presenter->window();
    if (auto* mainWindow = qobject_cast<QMainWindow*>(window);
        mainWindow && mainWindow->centralWidget()) {
        return mainWindow->centralWidget();
    }
    return window;
}

} // namespace

SheetLayer::SheetLayer(int margin, QWidget* presenter)
    : BlockingLayer(level, windowContent(presenter)) {
    setObjectName(QStringLiteral("sheetLayer"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
}

void SheetLayer::setCard(QWidget* card) {
    m_card = card;
    card->setObjectName(QStringLiteral("sheetCard"));
    layout()->addWidget(card);
    layout()->setAlignment(card, Qt::AlignCenter);
}

void SheetLayer::open() {
    setPresented(true);
}

void SheetLayer::dismiss() {
    if (!isPresented()) {
        return;
    }
    setPresented(false);
    emit dismissed();
}

const QWidget* SheetLayer::blockedArea() const {
    return window();
}

bool SheetLayer::eventFilter(QObject* watched, QEvent* event) {
    // Keys the sheet's controls leave climb to the sheet, where the blocking layer would end them.
    if (watched == this && isPresented() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            dismiss();
            return true;
        }
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_defaultButton) {
            m_defaultButton->click();
            return true;
        }
    }
    return BlockingLayer::eventFilter(watched, event);
}

} // namespace marlox::ui
