#include "SupportCard.h"

#include "screens/support/SupportControls.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/SymbolIcon.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace marlox::screens {

SupportCard::SupportCard(const QString& icon, const QString& title, const QColor& accent,
                         QWidget* content, QWidget* parent)
    : RoundedPanel(18, ui::AppPalette::panel(), ui::AppPalette::hairline(), 1, parent) {
    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->addWidget(new IconBadge(34, 10, ui::withOpacity(accent, 0.12),
                                    new ui::SymbolIcon(icon, 15, accent, QFont::DemiBold)));
    header->addWidget(ui::plainLabel(title, 20, QFont::DemiBold, ui::AppPalette::textPrimary()));
    header->addStretch();

    QVBoxLayout* layout = ui::verticalLayout(this, 16, QMargins(20, 20, 20, 20));
    layout->addLayout(header);
    layout->addWidget(content);
}

} // namespace marlox::screens
