#include "DesktopClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace marlox::platform {

void DesktopClipboard::setText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear(QClipboard::Clipboard);
    clipboard->setText(text, QClipboard::Clipboard);
}

} // namespace marlox::platform
