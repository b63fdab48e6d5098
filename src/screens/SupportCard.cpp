#include "SupportCard.h"

#include "ui/AppFont.h"
#include "ui/AppTheme.h"
#include "ui/SymbolIcon.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace marlox::screens {

SupportCard::SupportCard(const QString& icon, const QString& title, const QColor& accent,
                         QWidget* content, QWidget* parent)
    : RoundedSurface(18, solid(ui::AppPalette::panel()), ui::AppPalette::hairline(), parent) {
    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->addWidget(new IconBadge(34, 10, ui::withOpacity(accent, 0.12),
                                    new ui::SymbolIcon(icon, 15, accent, QFont::DemiBold)));
    header->addWidget(
        plainLabel(title, ui::appFont(20, QFont::DemiBold), ui::AppPalette::textPrimary()));
    header->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(16);
    layout->addLayout(header);
    layout->addWidget(content);
}

} // namespace marlox::screens
