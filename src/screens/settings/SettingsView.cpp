#include "SettingsView.h"

#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogService.h"
#include "catalog/Environment.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/OperationsLog.h"
#include "install/InstallTargetAccessService.h"
#include "install/InstallationCoordinator.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/Continuation.h"
#include "platform/Workspace.h"
#include "screens/appupdate/AppUpdateService.h"
#include "screens/settings/CacheClearer.h"
#include "screens/shared/AppVersionText.h"
#include "screens/updates/PackageUpdates.h"
#include "ui/kit/ActivitySpinner.h"
#include "ui/kit/AppAlert.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace marlox::screens {
namespace {

using ui::AppPalette::textPrimary;
using ui::AppPalette::textSecondary;

constexpr int cardSpacing = 16;
const QString operationFailedTitle = QStringLiteral("Operation Failed");

// A titled card whose rows stand 12 points apart, with the success pill the caller may show.
struct SettingsCard {
    ui::RoundedPanel* card;
    QVBoxLayout* rows;
    ui::AppPillLabel* statusPill;

    void addRow(QWidget* row) const { rows->addWidget(row); }
    void addRow(QLayout* row) const { rows->addLayout(row); }
};

SettingsCard makeSettingsCard(const QString& title, const QString& objectName) {
    auto* card = screenCard(14, 1);
    card->setObjectName(objectName);
    auto* rows = new QVBoxLayout(card);
    rows->setContentsMargins(16, 16, 16, 16);
    rows->setSpacing(12);
    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    header->addWidget(plainTextLabel(title, 20, QFont::DemiBold, textPrimary(),
                                     objectName + QStringLiteral("Title")));
    auto* pill = new ui::AppPillLabel(settingsTexts::granted, ui::AppPillTone::success,
                                      std::nullopt, ui::AppPillSize::compact);
    pill->setObjectName(objectName + QStringLiteral("Status"));
    pill->hide();
    header->addWidget(pill, 0, Qt::AlignVCenter);
    header->addStretch(1);
    rows->addLayout(header);
    return {card, rows, pill};
}

// Title in secondary text, a spacer, the value in white; both verbatim.
QWidget* valueRow(const QString& title, const QString& valueObjectName, QLabel*& value) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plainTextLabel(title, 13, QFont::Normal, textSecondary()));
    layout->addStretch(1);
    value = plainTextLabel({}, 13, QFont::Medium, textPrimary(), valueObjectName);
    value->setWordWrap(false);
    layout->addWidget(value);
    return row;
}

QLabel* messageLabel(const QString& objectName) {
    QLabel* label = plainTextLabel({}, 12, QFont::Normal, textSecondary(), objectName);
    label->hide();
    return label;
}

QColor toneColor(MessageTone tone) {
    switch (tone) {
    case MessageTone::orange:
        return platformOrange();
    case MessageTone::red:
        return ui::platformRed();
    case MessageTone::secondary:
        break;
    }
    return textSecondary();
}

void showLine(QLabel& label, const std::optional<MessageLine>& line) {
    label.setVisible(line.has_value());
    if (line) {
        label.setText(line->text);
        setLabelColor(label, toneColor(line->tone));
    }
}

// A button and whatever follows it, left-aligned in one line.
QHBoxLayout* buttonLine(int spacing, std::initializer_list<QWidget*> widgets) {
    auto* line = new QHBoxLayout;
    line->setSpacing(spacing);
    for (QWidget* widget : widgets) {
        line->addWidget(widget, 0, Qt::AlignVCenter);
    }
    line->addStretch(1);
    return line;
}

// The platform's default toggle: a check box, then its title over its explanation. A click on
// the texts toggles it too.
class ToggleRow final : public QWidget {
public:
    ToggleRow(const QString& title, const QString& objectName, QCheckBox*& toggle,
              QLabel*& description) {
        toggle = new QCheckBox;
        toggle->setObjectName(objectName);
        toggle->setAccessibleName(title);
        m_toggle = toggle;
        // The texts are the toggle's label: they dim with it while it is disabled.
        toggle->installEventFilter(this);

        m_texts = new QWidget;
        QVBoxLayout* texts = ui::verticalLayout(m_texts, 2);
        texts->addWidget(plainTextLabel(title, 13, QFont::Medium, textPrimary(),
                                        objectName + QStringLiteral("Title")));
        description = plainTextLabel({}, 12, QFont::Normal, textSecondary(),
                                     objectName + QStringLiteral("Description"));
        texts->addWidget(description);

        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        // The box stands level with the title's line.
        auto* box = new QVBoxLayout;
        box->setContentsMargins(0, 3, 0, 0);
        box->addWidget(toggle);
        box->addStretch(1);
        layout->addLayout(box);
        layout->addWidget(m_texts, 1);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_toggle && event->type() == QEvent::EnabledChange) {
            m_texts->setEnabled(m_toggle->isEnabled());
        }
        return QWidget::eventFilter(watched, event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && m_toggle->isEnabled()) {
            m_toggle->click();
        }
    }

private:
    QCheckBox* m_toggle;
    QWidget* m_texts;
};

// The path of a folder card: selectable so it can be copied.
QLabel* pathLabel(const QString& objectName) {
    ui::FittingLabel* label = plainTextLabel({}, 12, QFont::Medium, textPrimary(), objectName);
    label->setSelectable(true);
    return label;
}

void showFolderCard(const FolderCard& folder, ui::AppPillLabel& status, QLabel& path) {
    status.setVisible(folder.statusText.has_value());
    status.setTitle(folder.statusText.value_or(QString()));
    path.setText(folder.path);
}

} // namespace

SettingsView::SettingsView(const platform::Bundle& mainBundle,
                           catalog::AppSettingsStore& settingsStore,
                           catalog::CatalogService& catalogService,
                           AppUpdateService& appUpdateService,
                           install::InstallTargetAccessService& installTargetAccessService,
                           install::MotionTemplatesAccessService& motionTemplatesAccessService,
                           catalog::InstalledPackageStore& installedStore,
                           install::InstallationCoordinator& installationCoordinator,
                           CacheClearer& cacheClearer, platform::Workspace& workspace,
                           QWidget* parent)
    : SectionScreen(cardSpacing, parent), m_mainBundle(mainBundle), m_settingsStore(settingsStore),
      m_catalogService(catalogService), m_appUpdateService(appUpdateService),
      m_installTargetAccessService(installTargetAccessService),
      m_motionTemplatesAccessService(motionTemplatesAccessService),
      m_installedStore(installedStore), m_installationCoordinator(installationCoordinator),
      m_cacheClearer(cacheClearer), m_workspace(workspace) {
    setObjectName(QStringLiteral("settingsView"));
    setWindowTitle(QStringLiteral("Settings"));
    buildCards();
    connectServices();
    refresh();
}

void SettingsView::buildCards() {
    const SettingsCard general =
        makeSettingsCard(QStringLiteral("General"), QStringLiteral("generalCard"));
    general.addRow(
        valueRow(QStringLiteral("App Version"), QStringLiteral("appVersionValue"), m_appVersion));
    m_catalogError = messageLabel(QStringLiteral("catalogErrorText"));
    general.addRow(m_catalogError);
    addToColumn(general.card);

    const SettingsCard behavior =
        makeSettingsCard(QStringLiteral("App Behavior"), QStringLiteral("appBehaviorCard"));
    behavior.addRow(new ToggleRow(QStringLiteral("Launch At Login"),
                                  QStringLiteral("launchAtLoginToggle"), m_launchAtLogin,
                                  m_launchAtLoginDescription));
    QLabel* quitDescription = nullptr;
    behavior.addRow(new ToggleRow(QStringLiteral("Quit App On Close"),
                                  QStringLiteral("quitOnCloseToggle"), m_quitOnClose,
                                  quitDescription));
    quitDescription->setText(
        QStringLiteral("When enabled, closing the main window quits the app."));
    m_launchAtLoginAvailability = messageLabel(QStringLiteral("launchAtLoginAvailabilityText"));
    m_launchAtLoginError = messageLabel(QStringLiteral("launchAtLoginErrorText"));
    behavior.addRow(m_launchAtLoginAvailability);
    behavior.addRow(m_launchAtLoginError);
    addToColumn(behavior.card);

    const SettingsCard appUpdates =
        makeSettingsCard(QStringLiteral("App Updates"), QStringLiteral("appUpdatesCard"));
    auto* checkAppUpdates =
        pillButton(QStringLiteral("Check for App Updates"), ui::AppPillTone::accent,
                   ui::AppPillSize::regular, QStringLiteral("checkAppUpdatesButton"));
    appUpdates.addRow(buttonLine(10, {checkAppUpdates}));
    m_availableVersionRow = valueRow(QStringLiteral("Available Version"),
                                     QStringLiteral("availableVersionValue"), m_availableVersion);
    m_availableVersionRow->setObjectName(QStringLiteral("availableVersionRow"));
    appUpdates.addRow(m_availableVersionRow);
    m_appUpdateError = messageLabel(QStringLiteral("appUpdateErrorText"));
    appUpdates.addRow(m_appUpdateError);
    addToColumn(appUpdates.card);

    const SettingsCard pluginUpdates =
        makeSettingsCard(QStringLiteral("Plugin Updates"), QStringLiteral("pluginUpdatesCard"));
    m_checkPluginUpdates =
        pillButton(settingsTexts::checkPluginUpdates, ui::AppPillTone::accent,
                   ui::AppPillSize::regular, QStringLiteral("checkPluginUpdatesButton"));
    m_checkProgress = new ui::ActivitySpinner(textSecondary());
    m_checkProgress->setObjectName(QStringLiteral("checkProgress"));
    m_checkProgress->hide();
    pluginUpdates.addRow(buttonLine(10, {m_checkPluginUpdates, m_checkProgress}));
    pluginUpdates.addRow(valueRow(QStringLiteral("Available Updates"),
                                  QStringLiteral("availableUpdatesValue"), m_availableUpdates));
    m_lastCheckedRow =
        valueRow(QStringLiteral("Last Checked"), QStringLiteral("lastCheckedValue"), m_lastChecked);
    m_lastCheckedRow->setObjectName(QStringLiteral("lastCheckedRow"));
    pluginUpdates.addRow(m_lastCheckedRow);
    m_lastCheckMessage = messageLabel(QStringLiteral("lastCheckMessageText"));
    pluginUpdates.addRow(m_lastCheckMessage);
    addToColumn(pluginUpdates.card);

    const auto folderCard = [this](const QString& title, const QString& name,
                                   const QString& folderTitle, ui::AppPillLabel*& status,
                                   QLabel*& path, QLabel*& note, auto open) {
        const SettingsCard card = makeSettingsCard(title, name + QStringLiteral("Card"));
        status = card.statusPill;
        auto* folder = new QVBoxLayout;
        folder->setSpacing(6);
        folder->addWidget(plainTextLabel(folderTitle, 13, QFont::Normal, textSecondary()));
        path = pathLabel(name + QStringLiteral("Path"));
        folder->addWidget(path);
        card.addRow(folder);
        auto* button = pillButton(QStringLiteral("Open Folder"), ui::AppPillTone::neutral,
                                  ui::AppPillSize::compact, name + QStringLiteral("OpenButton"));
        connect(button, &QAbstractButton::clicked, this, open);
        card.addRow(buttonLine(8, {button}));
        note = plainTextLabel({}, 12, QFont::Normal, textSecondary());
        card.addRow(note);
        addToColumn(card.card);
    };
    folderCard(QStringLiteral("Install Folder"), QStringLiteral("installFolder"),
               QStringLiteral("Managed Folder"), m_installFolderStatus, m_installFolderPath,
               m_installFolderNote, [this] { openInstallFolder(); });
    folderCard(QStringLiteral("Motion Templates"), QStringLiteral("templatesFolder"),
               QStringLiteral("Approved Folder"), m_templatesFolderStatus, m_templatesFolderPath,
               m_templatesFolderNote, [this] { openTemplatesFolder(); });

    const SettingsCard maintenance =
        makeSettingsCard(QStringLiteral("Maintenance"), QStringLiteral("maintenanceCard"));
    const auto neutral = [](const QString& title, const QString& name) {
        return pillButton(title, ui::AppPillTone::neutral, ui::AppPillSize::compact, name);
    };
    auto* reloadCatalog =
        neutral(QStringLiteral("Reload Catalog"), QStringLiteral("reloadCatalogButton"));
    auto* openAppSupport =
        neutral(QStringLiteral("Open App Support"), QStringLiteral("openAppSupportButton"));
    auto* openLogs = neutral(QStringLiteral("Open Logs"), QStringLiteral("openLogsButton"));
    auto* clearLogs = neutral(QStringLiteral("Clear Logs"), QStringLiteral("clearLogsButton"));
    m_clearCache = pillButton(QStringLiteral("Clear Cache"), ui::AppPillTone::warning,
                              ui::AppPillSize::compact, QStringLiteral("clearCacheButton"));
    maintenance.addRow(
        buttonLine(8, {reloadCatalog, openAppSupport, openLogs, clearLogs, m_clearCache}));
    addToColumn(maintenance.card);

    connect(m_launchAtLogin, &QCheckBox::clicked, this, [this](bool enabled) {
        m_settingsStore.setLaunchAtLoginEnabled(enabled);
        // The store may publish no change when it refuses: the toggle shows what it holds.
        refresh();
    });
    connect(m_quitOnClose, &QCheckBox::clicked, this,
            [this](bool quit) { m_settingsStore.setQuitAppOnWindowClose(quit); });
    connect(checkAppUpdates, &QAbstractButton::clicked, this,
            [this] { m_appUpdateService.checkForUpdates(); });
    connect(m_checkPluginUpdates, &QAbstractButton::clicked, this,
            &SettingsView::checkPluginUpdates);
    connect(reloadCatalog, &QAbstractButton::clicked, this, [this] { m_catalogService.reload(); });
    connect(openAppSupport, &QAbstractButton::clicked, this,
            [this] { m_workspace.openFolder(catalog::applicationSupportDirectory(m_mainBundle)); });
    connect(openLogs, &QAbstractButton::clicked, this,
            [this] { m_workspace.openFolder(catalog::logsDirectory()); });
    connect(clearLogs, &QAbstractButton::clicked, this, [] { catalog::clearOperationsLog(); });
    connect(m_clearCache, &QAbstractButton::clicked, this, &SettingsView::clearCacheWhenIdle);
}

void SettingsView::connectServices() {
    const auto redraw = [this] { refresh(); };
    for (const auto signal : {&catalog::AppSettingsStore::launchAtLoginEnabledChanged,
                              &catalog::AppSettingsStore::launchAtLoginIsAvailableChanged,
                              &catalog::AppSettingsStore::launchAtLoginAvailabilityMessageChanged,
                              &catalog::AppSettingsStore::launchAtLoginErrorMessageChanged,
                              &catalog::AppSettingsStore::quitAppOnWindowCloseChanged}) {
        connect(&m_settingsStore, signal, this, redraw);
    }
    connect(&m_catalogService, &catalog::CatalogService::packagesChanged, this, redraw);
    connect(&m_catalogService, &catalog::CatalogService::lastErrorMessageChanged, this, redraw);
    connect(&m_appUpdateService, &AppUpdateService::availableUpdateChanged, this, redraw);
    connect(&m_appUpdateService, &AppUpdateService::lastErrorMessageChanged, this, redraw);
    for (install::FolderAccessService* folder :
         std::initializer_list<install::FolderAccessService*>{&m_installTargetAccessService,
                                                              &m_motionTemplatesAccessService}) {
        connect(folder, &install::FolderAccessService::accessStateChanged, this, redraw);
        connect(folder, &install::FolderAccessService::resolvedPathChanged, this, redraw);
    }
    connect(&m_installedStore, &catalog::InstalledPackageStore::installedByIDChanged, this, redraw);
    connect(&m_installationCoordinator, &install::InstallationCoordinator::activePackageIDsChanged,
            this, redraw);
    connect(&m_installationCoordinator,
            &install::InstallationCoordinator::bulkInstallProgressChanged, this, redraw);
    connect(&m_cacheClearer, &CacheClearer::isClearingChanged, this, redraw);
}

SettingsInputs SettingsView::inputs() const {
    SettingsInputs inputs;
    inputs.appVersion = appVersionText(m_mainBundle);
    inputs.appDisplayName = catalog::appDisplayName(m_mainBundle);
    inputs.catalogError = m_catalogService.lastErrorMessage();
    inputs.packages = m_catalogService.packages();
    inputs.installedByID = m_installedStore.installedByID();
    inputs.launchAtLoginEnabled = m_settingsStore.launchAtLoginEnabled();
    inputs.launchAtLoginIsAvailable = m_settingsStore.launchAtLoginIsAvailable();
    inputs.launchAtLoginAvailabilityMessage = m_settingsStore.launchAtLoginAvailabilityMessage();
    inputs.launchAtLoginErrorMessage = m_settingsStore.launchAtLoginErrorMessage();
    inputs.quitAppOnWindowClose = m_settingsStore.quitAppOnWindowClose();
    inputs.availableUpdate = m_appUpdateService.availableUpdate();
    inputs.appUpdateError = m_appUpdateService.lastErrorMessage();
    inputs.pluginCheck = m_pluginCheck;
    inputs.installFolderState = m_installTargetAccessService.accessState();
    inputs.installFolderPath = m_installTargetAccessService.resolvedInstallTargetPath();
    inputs.templatesFolderState = m_motionTemplatesAccessService.accessState();
    inputs.templatesFolderPath = m_motionTemplatesAccessService.resolvedTemplatesRootPath();
    inputs.operationInFlight = m_installationCoordinator.operationInFlight();
    inputs.clearingCache = m_cacheClearer.isClearing();
    return inputs;
}

void SettingsView::refresh() {
    m_content = settingsContent(inputs());
    const SettingsContent& content = m_content;

    m_appVersion->setText(content.appVersion);
    showLine(*m_catalogError, content.catalogError);

    m_launchAtLogin->setChecked(content.launchAtLoginOn);
    m_launchAtLogin->setEnabled(content.launchAtLoginToggleEnabled);
    m_launchAtLoginDescription->setText(content.launchAtLoginDescription);
    m_quitOnClose->setChecked(content.quitAppOnClose);
    showLine(*m_launchAtLoginAvailability, content.launchAtLoginAvailability);
    showLine(*m_launchAtLoginError, content.launchAtLoginError);

    m_availableVersionRow->setVisible(content.availableVersion.has_value());
    m_availableVersion->setText(content.availableVersion.value_or(QString()));
    showLine(*m_appUpdateError, content.appUpdateError);

    m_checkPluginUpdates->setText(content.checkButtonTitle);
    m_checkPluginUpdates->setEnabled(content.checkButtonEnabled);
    m_checkProgress->setVisible(content.showsCheckProgress);
    m_availableUpdates->setText(content.availableUpdates);
    m_lastCheckedRow->setVisible(content.lastChecked.has_value());
    m_lastChecked->setText(content.lastChecked.value_or(QString()));
    showLine(*m_lastCheckMessage, content.lastCheckMessage);

    showFolderCard(content.installFolder, *m_installFolderStatus, *m_installFolderPath);
    m_installFolderNote->setText(content.installFolderNote);
    showFolderCard(content.templatesFolder, *m_templatesFolderStatus, *m_templatesFolderPath);
    m_templatesFolderNote->setText(content.templatesFolderNote);

    m_clearCache->setEnabled(content.clearCacheEnabled);
}

void SettingsView::showEvent(QShowEvent* event) {
    SectionScreen::showEvent(event);
    m_installTargetAccessService.refreshAccessState();
    m_motionTemplatesAccessService.refreshAccessState();
}

void SettingsView::checkPluginUpdates() {
    if (m_pluginCheck.isChecking) {
        return;
    }
    m_pluginCheck.isChecking = true;
    refresh();
    // A reload that ends after the screen was left reports to no one.
    platform::continueOn(*this, m_catalogService.reload(), [this] {
        m_pluginCheck = finishedPluginCheck(
            QDateTime::currentDateTime(), m_catalogService.lastErrorMessage(),
            availableUpdateCount(m_catalogService.packages(), m_installedStore.installedByID()));
        refresh();
    });
}

void SettingsView::openInstallFolder() {
    if (const auto error = m_installTargetAccessService.revealInstallFolder()) {
        presentError(error->description());
    }
}

void SettingsView::openTemplatesFolder() {
    if (const auto error = m_motionTemplatesAccessService.revealTemplatesFolder()) {
        presentError(error->description());
    }
}

void SettingsView::clearCacheWhenIdle() {
    // Checked again at the click: a bulk run may have passed its guards since the last redraw.
    if (m_installationCoordinator.operationInFlight()) {
        refresh();
        return;
    }
    m_cacheClearer.clear();
}

void SettingsView::presentError(const QString& message) {
    m_presentedErrorMessage = message;
    if (!m_alert) {
        m_alert = new ui::AppAlert(operationFailedTitle, ui::AppAlert::Icon::none, this);
        m_alert->setObjectName(QStringLiteral("operationFailedAlert"));
        m_alert->setWindowModality(Qt::WindowModal);
        m_alert->okButton()->setObjectName(QStringLiteral("operationFailedOK"));
        // However it is dismissed, the message goes with it.
        connect(m_alert, &QDialog::finished, this, [this] { m_presentedErrorMessage.reset(); });
    }
    m_alert->setMessage(message);
    m_alert->open();
}

} // namespace marlox::screens
