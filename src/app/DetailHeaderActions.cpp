#include "app/DetailHeaderActions.h"

#include "app/OpacityFade.h"
#include "ui/kit/ActivitySpinner.h"
#include "ui/kit/AppControls.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppSwitch.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"

#include <QHBoxLayout>
#include <QLabel>

namespace marlox::app {

DetailHeaderActions::DetailHeaderActions(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("detailHeaderActions"));
    m_installedActions = new QWidget(this);
    auto* switchGroup = new QHBoxLayout;
    switchGroup->setSpacing(8);
    switchGroup->addWidget(ui::plainLabel(detailHeaderText::showAllDetails, 12, QFont::Normal,
                                          ui::AppPalette::textSecondary(), false,
                                          m_installedActions));
    m_showAllDetails = new ui::AppSwitch(ui::AppSwitch::Size::small, m_installedActions);
    m_showAllDetails->setObjectName(QStringLiteral("showAllDetailsSwitch"));
    m_showAllDetails->setDrawingScale(0.75);
    m_showAllDetails->setAccessibleName(detailHeaderText::showAllDetails);
    switchGroup->addWidget(m_showAllDetails);
    m_reinstallAll =
        new ui::AppButton(detailHeaderText::reinstallAllPlugins, ui::AppButton::Look::bordered,
                          ui::AppControlSize::regular, m_installedActions);
    m_reinstallAll->setObjectName(QStringLiteral("reinstallAllButton"));
    auto* installedLayout = new QHBoxLayout(m_installedActions);
    installedLayout->setContentsMargins(0, 0, 0, 0);
    installedLayout->setSpacing(12);
    installedLayout->addLayout(switchGroup);
    installedLayout->addWidget(m_reinstallAll);

    m_updatesShortcut = new ui::AppButton({}, ui::AppButton::Look::borderedProminent,
                                          ui::AppControlSize::regular, this);
    m_updatesShortcut->setObjectName(QStringLiteral("updatesShortcutButton"));
    m_updatesShortcut->setLabelFont(ui::appFont(12, QFont::DemiBold));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_installedActions);
    layout->addWidget(m_updatesShortcut);

    connect(m_showAllDetails, &QAbstractButton::toggled, this,
            &DetailHeaderActions::showAllDetailsToggled);
    connect(m_reinstallAll, &QAbstractButton::clicked, this,
            &DetailHeaderActions::reinstallAllRequested);
    connect(m_updatesShortcut, &QAbstractButton::clicked, this,
            &DetailHeaderActions::updatesShortcutClicked);
    showContent({}, false);
}

void DetailHeaderActions::showContent(const DetailHeaderContent& content, bool showAllDetails) {
    m_installedActions->setVisible(content.showsInstalledActions);
    m_reinstallAll->setEnabled(content.reinstallAllEnabled);
    {
        // Showing the stored value is no change of the user's.
        const QSignalBlocker quiet(m_showAllDetails);
        m_showAllDetails->setChecked(showAllDetails);
    }
    m_updatesShortcut->setVisible(content.updatesShortcutTitle.has_value());
    m_updatesShortcut->setText(content.updatesShortcutTitle.value_or(QString()));
}

ReinstallProgressRow::ReinstallProgressRow(QWidget* parent)
    : QWidget(parent), m_fade(new OpacityFade(*this)) {
    setObjectName(QStringLiteral("reinstallProgressRow"));
    m_spinner = new ui::ActivitySpinner(ui::AppPalette::textPrimary(),
                                        ui::ActivitySpinner::smallSide, this);
    m_counter = ui::plainLabel({}, 12, QFont::DemiBold, ui::AppPalette::textPrimary(), false, this);
    m_counter->setObjectName(QStringLiteral("reinstallProgressCounter"));
    m_packageName =
        ui::plainLabel({}, 12, QFont::Normal, ui::AppPalette::textSecondary(), false, this);
    m_packageName->setObjectName(QStringLiteral("reinstallProgressPackage"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addStretch(1);
    layout->addWidget(m_spinner, 0, Qt::AlignVCenter);
    layout->addWidget(m_counter, 0, Qt::AlignVCenter);
    layout->addWidget(m_packageName, 0, Qt::AlignVCenter);
    hide();
}

bool ReinstallProgressRow::isFading() const {
    return m_fade->isRunning();
}

void ReinstallProgressRow::showProgress(const std::optional<ReinstallProgressLine>& progress) {
    if (!progress) {
        m_fade->fadeOut();
        return;
    }
    m_counter->setText(progress->counter);
    m_packageName->setText(progress->packageName);
    m_fade->fadeIn();
}

} // namespace marlox::app
