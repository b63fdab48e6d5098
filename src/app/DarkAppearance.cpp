#include "DarkAppearance.h"

#include "ui/ScreenParts.h"

#include <QApplication>
#include <QStyleFactory>

namespace marlox::app {

void useDarkAppearance() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(ui::darkAppearancePalette(QApplication::palette()));
}

} // namespace marlox::app
