#include "DarkAppearance.h"

#include "ui/AppTheme.h"

#include <QApplication>
#include <QStyleFactory>

namespace marlox::app {

QPalette darkAppearancePalette() {
    using namespace ui;
    const QColor disabledText = withOpacity(AppPalette::textPrimary(), 0.35);
    QPalette palette;
    palette.setColor(QPalette::Window, AppPalette::canvas());
    palette.setColor(QPalette::WindowText, AppPalette::textPrimary());
    palette.setColor(QPalette::Base, AppPalette::panel());
    palette.setColor(QPalette::AlternateBase, AppPalette::panelRaised());
    palette.setColor(QPalette::Text, AppPalette::textPrimary());
    palette.setColor(QPalette::PlaceholderText, AppPalette::textSecondary());
    palette.setColor(QPalette::Button, AppPalette::panelRaised());
    palette.setColor(QPalette::ButtonText, AppPalette::textPrimary());
    palette.setColor(QPalette::BrightText, AppPalette::textPrimary());
    palette.setColor(QPalette::ToolTipBase, AppPalette::panel());
    palette.setColor(QPalette::ToolTipText, AppPalette::textPrimary());
    palette.setColor(QPalette::Highlight, AppPalette::accent());
    palette.setColor(QPalette::HighlightedText, AppPalette::textPrimary());
    palette.setColor(QPalette::Link, AppPalette::accent());
    palette.setColor(QPalette::Light, AppPalette::panelHighlight());
    palette.setColor(QPalette::Midlight, AppPalette::panelRaised());
    palette.setColor(QPalette::Mid, AppPalette::panel());
    palette.setColor(QPalette::Dark, AppPalette::canvasRaised());
    palette.setColor(QPalette::Shadow, Qt::black);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, disabledText);
    }
    return palette;
}

void useDarkAppearance() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(darkAppearancePalette());
}

} // namespace marlox::app
