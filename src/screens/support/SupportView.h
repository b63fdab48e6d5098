#pragma once

#include "screens/shared/ScreenLayout.h"
#include "screens/support/SupportContacts.h"
#include "screens/support/SupportRequest.h"

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QVBoxLayout;

namespace marlox::catalog {
class CatalogService;
class InstalledPackageStore;
} // namespace marlox::catalog

namespace marlox::platform {
class Bundle;
class Clipboard;
class FileChooser;
class MailComposer;
class SystemInformation;
class Workspace;
} // namespace marlox::platform

namespace marlox::ui {
class AppPillButton;
class AppPillLabel;
class AppSwitch;
class FittingLabel;
} // namespace marlox::ui

namespace marlox::screens {

class IconBadge;
class PromptingTextEditor;

// What the Support screen reaches the desktop and the system through. The screen keeps the
// references; their owner keeps them alive as long as the screen.
struct SupportPlatform {
    platform::Workspace& workspace;
    platform::MailComposer& mailComposer;
    platform::Clipboard& clipboard;
    platform::FileChooser& fileChooser;
    const platform::SystemInformation& systemInformation;
};

// The Support screen: prepares a support request by mail from the affected plug-in, the user's
// address and description, the detected system information, attached files and the recent
// operations log. It redraws whenever the catalog or the installed records change; its form is
// its own and is lost when the screen goes.
class SupportView : public SectionScreen {
    Q_OBJECT

public:
    // The version and name a request states are those of `mainBundle`.
    SupportView(catalog::CatalogService& catalogService,
                catalog::InstalledPackageStore& installedStore, const platform::Bundle& mainBundle,
                SupportPlatform platform, QWidget* parent = nullptr);
    ~SupportView() override;

    // The form as it stands, its description read from the editor.
    SupportForm form() const;
    const SupportDraftOutcome& outcome() const { return m_outcome; }
    bool showsAdvancedDetails() const { return m_showAdvancedDetails; }
    // The draft's inputs besides the form, as they stand now.
    SupportContext supportContext() const;

    // Shows what the form, the services and the log file hold now.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildLinkCards();
    QWidget* buildRequestCard();
    QWidget* buildAttachmentsCard();
    QWidget* buildLogPreview();
    QWidget* buildScreenshotsBlock();
    QWidget* buildSystemInfoCard();
    QWidget* buildActionsPanel();
    QLineEdit* addSystemInfoField(QWidget* grid, int position, const QString& symbol,
                                  const QString& title, const QString& prompt,
                                  QString SystemInfoFields::*field);

    void refreshPicker(const QList<SupportTargetOption>& options);
    void refreshSystemInfoFields();
    void rebuildAttachmentRows();

    void refreshDetectedInfo();
    void setIncludeAppLogs(bool include);
    void addSupportAttachments();
    void removeAttachment(qsizetype position);
    void openSupportMailLink();
    void openProductPage();
    void openDraft();
    void copyDraft();
    void showOutcome(const SupportDraftOutcome& outcome);

    catalog::CatalogService& m_catalogService;
    catalog::InstalledPackageStore& m_installedStore;
    SupportPlatform m_platform;
    const SupportContacts m_contacts;
    const QString m_appVersionText;
    const QString m_appDisplayName;

    // All of the form but the description, which its editor holds: a copy of it at every
    // keystroke would cost as much as the text is long.
    SupportForm m_form;
    SupportDraftOutcome m_outcome;
    // From Open Draft until the services answer, so that one draft is handed over at a time.
    bool m_openingDraft = false;
    bool m_showAdvancedDetails = false;
    // Counts log reads, so that only the newest one's excerpt is kept.
    quint64 m_logLoads = 0;

    ui::AppPillLabel* m_versionPill = nullptr;
    QComboBox* m_targetPicker = nullptr;
    QLabel* m_targetInfoLine = nullptr;
    QLineEdit* m_emailField = nullptr;
    PromptingTextEditor* m_messageEditor = nullptr;
    IconBadge* m_logBadge = nullptr;
    QLabel* m_logSubtitle = nullptr;
    ui::AppSwitch* m_logSwitch = nullptr;
    QWidget* m_logPreview = nullptr;
    QLabel* m_logLineCount = nullptr;
    QPlainTextEdit* m_logPreviewText = nullptr;
    QWidget* m_attachmentList = nullptr;
    QVBoxLayout* m_attachmentRows = nullptr;
    QList<std::pair<QLineEdit*, QString SystemInfoFields::*>> m_systemInfoFields;
    QWidget* m_advancedDetails = nullptr;
    ui::FittingLabel* m_catalogSourceLabel = nullptr;
    ui::AppPillButton* m_openDraftButton = nullptr;
    QWidget* m_statusRow = nullptr;
    QLabel* m_statusMessage = nullptr;
    QWidget* m_draftHint = nullptr;
};

} // namespace marlox::screens
