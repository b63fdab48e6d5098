#include "SupportView.h"

#include "catalog/CatalogService.h"
#include "catalog/Environment.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/OperationsLog.h"
#include "platform/Continuation.h"
#include "platform/FileChooser.h"
#include "platform/Workspace.h"
#include "screens/shared/AppVersionText.h"
#include "screens/support/PromptingTextEditor.h"
#include "screens/support/SupportAttachments.h"
#include "screens/support/SupportCard.h"
#include "screens/support/SupportControls.h"
#include "screens/support/SupportDiagnostics.h"
#include "ui/kit/AppAlert.h"
#include "ui/kit/AppControls.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppSwitch.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"
#include "ui/kit/SymbolIcon.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace marlox::screens {
namespace {

using ui::AppPalette::textPrimary;
using ui::AppPalette::textSecondary;

const QColor& deepBlue() {
    static const QColor color = QColor::fromRgbF(0.05f, 0.10f, 0.18f);
    return color;
}

// A title of a field or a preview: secondary text spaced by half a point.
QLabel* trackedLabel(const QString& text, qreal size) {
    QLabel* label = ui::plainLabel(text, size, QFont::DemiBold, textSecondary());
    QFont font = label->font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    label->setFont(font);
    return label;
}

QWidget* stacked(std::initializer_list<QWidget*> children, int spacing) {
    auto* holder = new QWidget;
    QVBoxLayout* layout = ui::verticalLayout(holder, spacing);
    for (QWidget* child : children) {
        layout->addWidget(child);
    }
    return holder;
}

// A symbol in a frame of its own width, so that the texts beside symbols of any size line up.
QWidget* framedSymbol(ui::SymbolIcon* symbol, int frameWidth) {
    auto* frame = new QWidget;
    frame->setFixedWidth(frameWidth);
    ui::horizontalLayout(frame, 0)->addWidget(symbol, 0, Qt::AlignCenter);
    return frame;
}

QWidget* named(QWidget* widget, const QString& objectName) {
    widget->setObjectName(objectName);
    return widget;
}

// A title in upper case above the field it names.
QWidget* fieldGroup(const QString& label, QWidget* field) {
    return stacked({trackedLabel(label.toUpper(), 12), field}, 8);
}

// A row of the attachments card: the icon badge, the title over its subtitle, and a control.
QWidget* titledBadgeRow(IconBadge* badge, QLabel* title, QLabel* subtitle, QWidget* control) {
    // A narrow window wraps the subtitle rather than pushing the control out of sight.
    subtitle->setWordWrap(true);
    auto* surface = new ui::RoundedPanel(14, ui::withOpacity(Qt::white, 0.03), Qt::transparent, 0);
    QHBoxLayout* layout = ui::horizontalLayout(surface, 14, QMargins(14, 12, 14, 12));
    layout->addWidget(badge);
    layout->addWidget(stacked({title, subtitle}, 3), 1);
    layout->addWidget(control);
    return surface;
}

// One of the three link cards: a button with a tinted symbol badge, a title and a subtitle.
class SupportLinkCard final : public QAbstractButton {
public:
    SupportLinkCard(const QString& symbol, const QColor& accent, const QString& title,
                    const QString& subtitle) {
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        QHBoxLayout* layout = ui::horizontalLayout(this, 14, QMargins(14, 14, 14, 14));
        layout->addWidget(new IconBadge(42, 12, ui::withOpacity(accent, 0.12),
                                        new ui::SymbolIcon(symbol, 17, accent, QFont::DemiBold)));
        auto* subtitleLabel =
            new ui::FittingLabel(subtitle, ui::appFont(11, QFont::Normal), textSecondary(), 1);
        layout->addWidget(
            stacked({ui::plainLabel(title, 13, QFont::DemiBold, textPrimary()), subtitleLabel}, 3),
            1);
    }

    QSize sizeHint() const override { return layout()->sizeHint(); }
    QSize minimumSizeHint() const override { return layout()->minimumSize(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(isDown() ? 0.85 : 1);
        ui::paintFilledOutline(
            painter, ui::roundedRectPath(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 16),
            ui::AppPalette::panel(), ui::AppPalette::hairline());
    }
};

} // namespace

SupportView::SupportView(catalog::CatalogService& catalogService,
                         catalog::InstalledPackageStore& installedStore,
                         const platform::Bundle& mainBundle, SupportPlatform platform,
                         QWidget* parent)
    : SectionScreen(20, parent, 24), m_catalogService(catalogService),
      m_installedStore(installedStore), m_platform(platform), m_contacts(builtSupportContacts()),
      m_appVersionText(appVersionText(mainBundle)),
      m_appDisplayName(catalog::appDisplayName(mainBundle)) {
    setObjectName(QStringLiteral("supportView"));
    setWindowTitle(QStringLiteral("Support"));
    addToColumn(buildHeader());
    addToColumn(buildLinkCards());
    addToColumn(buildRequestCard());
    addToColumn(buildAttachmentsCard());
    addToColumn(buildSystemInfoCard());
    addToColumn(buildActionsPanel());

    connect(&m_catalogService, &catalog::CatalogService::packagesChanged, this,
            &SupportView::refresh);
    connect(&m_catalogService, &catalog::CatalogService::loadSourceLabelChanged, this,
            &SupportView::refresh);
    connect(&m_installedStore, &catalog::InstalledPackageStore::installedByIDChanged, this,
            &SupportView::refresh);
    refresh();
}

SupportView::~SupportView() = default;

SupportForm SupportView::form() const {
    SupportForm form = m_form;
    form.messageBody = m_messageEditor->text();
    return form;
}

SupportContext SupportView::supportContext() const {
    return {m_catalogService.packages(),
            m_installedStore.installedByID(),
            m_catalogService.loadSourceLabel(),
            m_appVersionText,
            m_appDisplayName,
            m_contacts.emailAddress,
            catalog::operationsLogFilePath()};
}

QWidget* SupportView::buildHeader() {
    auto* header = new ui::RoundedPanel(
        22,
        [](const QRectF& rect) {
            QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
            gradient.setColorAt(0, ui::AppPalette::panelRaised());
            gradient.setColorAt(0.5, ui::AppPalette::panel());
            gradient.setColorAt(1, deepBlue());
            return QBrush(gradient);
        },
        ui::AppPalette::hairline());
    QVBoxLayout* layout = ui::verticalLayout(header, 16, QMargins(22, 22, 22, 22));

    auto* pills = new QHBoxLayout;
    pills->setSpacing(8);
    pills->addWidget(new ui::AppPillLabel(m_appDisplayName, ui::AppPillTone::neutral, std::nullopt,
                                          ui::AppPillSize::compact));
    m_versionPill = new ui::AppPillLabel(QString(), ui::AppPillTone::accent, std::nullopt,
                                         ui::AppPillSize::compact);
    m_versionPill->setObjectName(QStringLiteral("versionPill"));
    pills->addWidget(m_versionPill);
    pills->addStretch();
    layout->addLayout(pills);

    QLabel* subtitle =
        ui::plainLabel(QStringLiteral("Pick the affected plugin, describe the issue, and "
                                      "we'll prepare a support draft ready to send to ") +
                           m_contacts.emailAddress + QLatin1Char('.'),
                       15, QFont::Normal, textSecondary());
    subtitle->setWordWrap(true);
    layout->addWidget(stacked({ui::plainLabel(QStringLiteral("Need help? We're here."), 34,
                                              QFont::DemiBold, textPrimary()),
                               subtitle},
                              10));
    return header;
}

QWidget* SupportView::buildLinkCards() {
    auto* cards = new QWidget;
    QHBoxLayout* layout = ui::horizontalLayout(cards, 14);
    const auto add = [&](SupportLinkCard* card, const QString& objectName, auto action) {
        card->setObjectName(objectName);
        connect(card, &QAbstractButton::clicked, this, action);
        layout->addWidget(card, 1);
    };
    add(new SupportLinkCard(QStringLiteral("envelope"), ui::AppPalette::accent(),
                            QStringLiteral("Email Support"), m_contacts.emailAddress),
        QStringLiteral("emailSupportCard"), &SupportView::openSupportMailLink);
    add(new SupportLinkCard(QStringLiteral("doc.text"), ui::AppPalette::success(),
                            QStringLiteral("Documentation"),
                            addressWithoutScheme(m_contacts.productPageAddress)),
        QStringLiteral("documentationCard"), &SupportView::openProductPage);
    add(new SupportLinkCard(QStringLiteral("info.circle"), ui::AppPalette::warning(),
                            QStringLiteral("App Info"),
                            QStringLiteral("Diagnostics and install details")),
        QStringLiteral("appInfoCard"), [this] {
            m_showAdvancedDetails = !m_showAdvancedDetails;
            refresh();
        });
    return cards;
}

QWidget* SupportView::buildRequestCard() {
    m_targetPicker = new ui::AppPicker;
    m_targetPicker->setObjectName(QStringLiteral("targetPicker"));
    m_targetPicker->setFont(ui::appFont(13, QFont::Normal));
    connect(m_targetPicker, &QComboBox::activated, this, [this](int index) {
        m_form.selectedTargetID = m_targetPicker->itemData(index).toString();
        refresh();
    });
    m_targetInfoLine = ui::plainLabel(QString(), 12, QFont::Normal, textSecondary(), true);
    m_targetInfoLine->setObjectName(QStringLiteral("targetInfoLine"));
    auto* pickerRow = new QWidget;
    QHBoxLayout* pickerLayout = ui::horizontalLayout(pickerRow, 0);
    pickerLayout->addWidget(m_targetPicker);
    pickerLayout->addStretch();

    m_emailField = new RoundedLineEdit;
    m_emailField->setObjectName(QStringLiteral("emailField"));
    m_emailField->setPlaceholderText(QStringLiteral("name@example.com"));
    m_emailField->setMaxLength(maximumSupportFieldLength);
    connect(m_emailField, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_form.customerEmail = text;
        refresh();
    });

    m_messageEditor = new PromptingTextEditor(
        QStringLiteral("Describe the problem, what you expected, and how to reproduce it. Mention "
                       "the project type or host timeline if relevant."),
        maximumSupportMessageLength);
    m_messageEditor->setObjectName(QStringLiteral("messageEditor"));
    // A field of its own height, not one that takes up whatever room the window has left.
    m_messageEditor->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_messageEditor->setFixedHeight(180);
    connect(m_messageEditor, &PromptingTextEditor::textChanged, this, &SupportView::refresh);

    QWidget* content = stacked(
        {fieldGroup(QStringLiteral("Affected Plugin"), stacked({pickerRow, m_targetInfoLine}, 6)),
         fieldGroup(QStringLiteral("Your Email"), m_emailField),
         fieldGroup(QStringLiteral("What Happened"), m_messageEditor)},
        16);
    return named(new SupportCard(QStringLiteral("bubble.left.and.text.bubble.right"),
                                 QStringLiteral("Support Request"), ui::AppPalette::accent(),
                                 content),
                 QStringLiteral("supportRequestCard"));
}

QWidget* SupportView::buildAttachmentsCard() {
    m_logBadge = new IconBadge(40, 10, ui::withOpacity(Qt::white, 0.04),
                               new ui::SymbolIcon(QStringLiteral("doc.text.magnifyingglass"), 16,
                                                  textSecondary(), QFont::Medium));
    m_logSubtitle = ui::plainLabel(QString(), 11, QFont::Normal, textSecondary());
    m_logSubtitle->setObjectName(QStringLiteral("logSubtitle"));
    m_logSwitch = new ui::AppSwitch(ui::AppSwitch::Size::small);
    m_logSwitch->setObjectName(QStringLiteral("includeLogsSwitch"));
    connect(m_logSwitch, &QAbstractButton::toggled, this, &SupportView::setIncludeAppLogs);
    QWidget* logRow = titledBadgeRow(
        m_logBadge,
        ui::plainLabel(QStringLiteral("Include App Logs"), 13, QFont::DemiBold, textPrimary()),
        m_logSubtitle, m_logSwitch);

    QWidget* content = stacked({logRow, buildLogPreview(), buildScreenshotsBlock()}, 14);
    return named(new SupportCard(QStringLiteral("paperclip"), QStringLiteral("Attachments"),
                                 ui::AppPalette::success(), content),
                 QStringLiteral("attachmentsCard"));
}

QWidget* SupportView::buildLogPreview() {
    m_logLineCount = ui::plainLabel(QString(), 10, QFont::Normal, textSecondary());
    m_logLineCount->setObjectName(QStringLiteral("logLineCount"));
    auto* heading = new QHBoxLayout;
    heading->addWidget(trackedLabel(QStringLiteral("LOG PREVIEW"), 10));
    heading->addStretch();
    heading->addWidget(m_logLineCount);

    m_logPreviewText = new QPlainTextEdit;
    m_logPreviewText->setObjectName(QStringLiteral("logPreviewText"));
    m_logPreviewText->setReadOnly(true);
    m_logPreviewText->setFrameShape(QFrame::NoFrame);
    m_logPreviewText->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_logPreviewText->setFixedHeight(120);
    // No monospaced face is bundled, and no picture may depend on the machine's fonts.
    m_logPreviewText->setFont(ui::appFont(11, QFont::Normal));
    m_logPreviewText->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                              Qt::TextSelectableByKeyboard);
    QPalette palette = m_logPreviewText->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, textSecondary());
    m_logPreviewText->setPalette(palette);
    m_logPreviewText->viewport()->setAutoFillBackground(false);

    auto* frame =
        new ui::RoundedPanel(10, ui::withOpacity(Qt::black, 0.3), ui::AppPalette::hairline());
    ui::horizontalLayout(frame, 0, QMargins(10, 10, 10, 10))->addWidget(m_logPreviewText);

    m_logPreview = new QWidget;
    m_logPreview->setObjectName(QStringLiteral("logPreview"));
    QVBoxLayout* layout = ui::verticalLayout(m_logPreview, 8);
    layout->addLayout(heading);
    layout->addWidget(frame);
    return m_logPreview;
}

QWidget* SupportView::buildScreenshotsBlock() {
    ui::AppPillButton* addFiles =
        pillButton(QStringLiteral("Add Files"), ui::AppPillTone::neutral, ui::AppPillSize::compact,
                   QStringLiteral("addFilesButton"));
    connect(addFiles, &QAbstractButton::clicked, this, &SupportView::addSupportAttachments);
    QWidget* header = titledBadgeRow(
        new IconBadge(40, 10, ui::withOpacity(Qt::white, 0.04),
                      new ui::SymbolIcon(QStringLiteral("photo.on.rectangle.angled"), 16,
                                         textSecondary(), QFont::Medium)),
        ui::plainLabel(QStringLiteral("Screenshots & Recordings"), 13, QFont::DemiBold,
                       textPrimary()),
        ui::plainLabel(
            QStringLiteral("Attach images or screen recordings to help describe the issue."), 11,
            QFont::Normal, textSecondary()),
        addFiles);

    m_attachmentList = new QWidget;
    m_attachmentList->setObjectName(QStringLiteral("attachmentList"));
    m_attachmentRows = ui::verticalLayout(m_attachmentList, 6);
    return stacked({header, m_attachmentList}, 10);
}

QLineEdit* SupportView::addSystemInfoField(QWidget* grid, int position, const QString& symbol,
                                           const QString& title, const QString& prompt,
                                           QString SystemInfoFields::*field) {
    auto* edit = new RoundedLineEdit;
    edit->setPlaceholderText(prompt);
    edit->setMaxLength(maximumSupportFieldLength);
    connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& text) {
        m_form.systemInfo.*field = text;
        refresh();
    });
    m_systemInfoFields.append({edit, field});

    auto* item = new QWidget;
    QHBoxLayout* layout = ui::horizontalLayout(item, 10);
    layout->addWidget(
        framedSymbol(new ui::SymbolIcon(symbol, 14, textSecondary(), QFont::Medium), 20));
    layout->addWidget(
        stacked({ui::plainLabel(title, 11, QFont::DemiBold, textSecondary()), edit}, 4), 1);
    static_cast<QGridLayout*>(grid->layout())->addWidget(item, position / 2, position % 2);
    return edit;
}

QWidget* SupportView::buildSystemInfoCard() {
    auto* grid = new QWidget;
    auto* gridLayout = new QGridLayout(grid);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setHorizontalSpacing(12);
    gridLayout->setVerticalSpacing(12);
    for (int columnIndex : {0, 1}) {
        gridLayout->setColumnMinimumWidth(columnIndex, 180);
        gridLayout->setColumnStretch(columnIndex, 1);
    }
    addSystemInfoField(grid, 0, QStringLiteral("film"), QStringLiteral("Apple Motion"),
                       QStringLiteral("5.x"), &SystemInfoFields::motionVersion)
        ->setObjectName(QStringLiteral("motionVersionField"));
    addSystemInfoField(grid, 1, QStringLiteral("film.stack"), QStringLiteral("Final Cut Pro"),
                       QStringLiteral("10.x / 11.x"), &SystemInfoFields::finalCutVersion)
        ->setObjectName(QStringLiteral("finalCutVersionField"));
    addSystemInfoField(grid, 2, QStringLiteral("laptopcomputer"), QStringLiteral("macOS"),
                       QStringLiteral("macOS 15.x"), &SystemInfoFields::macOSVersion)
        ->setObjectName(QStringLiteral("macOSVersionField"));
    addSystemInfoField(grid, 3, QStringLiteral("cpu"), QStringLiteral("Mac Model"),
                       QStringLiteral("MacBook Pro / Mac Studio"), &SystemInfoFields::macModel)
        ->setObjectName(QStringLiteral("macModelField"));

    auto* refreshButton =
        pillButton(QStringLiteral("Refresh Detected Info"), ui::AppPillTone::neutral,
                   ui::AppPillSize::compact, QStringLiteral("refreshDetectedInfoButton"));
    connect(refreshButton, &QAbstractButton::clicked, this, &SupportView::refreshDetectedInfo);
    auto* buttonRow = new QWidget;
    QHBoxLayout* buttonLayout = ui::horizontalLayout(buttonRow, 8);
    buttonLayout->addWidget(refreshButton);
    buttonLayout->addStretch();

    auto* divider = new QWidget;
    divider->setFixedHeight(1);
    divider->setAutoFillBackground(true);
    QPalette dividerPalette = divider->palette();
    dividerPalette.setColor(QPalette::Window, ui::AppPalette::hairline());
    divider->setPalette(dividerPalette);
    m_catalogSourceLabel = ui::plainLabel(QString(), 13, QFont::Medium, textPrimary(), true);
    m_catalogSourceLabel->setObjectName(QStringLiteral("catalogSourceLabel"));
    m_catalogSourceLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_catalogSourceLabel->setSelectable(true);
    auto* sourceRow = new QWidget;
    QHBoxLayout* sourceLayout = ui::horizontalLayout(sourceRow, 12);
    sourceLayout->addWidget(
        ui::plainLabel(QStringLiteral("Catalog Source"), 13, QFont::Normal, textSecondary()), 0,
        Qt::AlignTop);
    sourceLayout->addStretch();
    sourceLayout->addWidget(m_catalogSourceLabel, 0, Qt::AlignTop);
    m_advancedDetails = new QWidget;
    m_advancedDetails->setObjectName(QStringLiteral("advancedDetails"));
    QVBoxLayout* detailsLayout = ui::verticalLayout(m_advancedDetails, 0);
    detailsLayout->addWidget(divider);
    detailsLayout->addSpacing(14);
    detailsLayout->addWidget(stacked({sourceRow}, 10));

    QWidget* content = stacked({grid, buttonRow, m_advancedDetails}, 14);
    return named(new SupportCard(QStringLiteral("desktopcomputer"), QStringLiteral("System Info"),
                                 ui::AppPalette::warning(), content),
                 QStringLiteral("systemInfoCard"));
}

QWidget* SupportView::buildActionsPanel() {
    m_openDraftButton = pillButton(QStringLiteral("Open Draft"), ui::AppPillTone::accent,
                                   ui::AppPillSize::regular, QStringLiteral("openDraftButton"));
    m_openDraftButton->setLeadingSymbol(QStringLiteral("paperplane.fill"), 13, QFont::DemiBold);
    m_openDraftButton->setLabelFont(ui::appFont(14, QFont::DemiBold));
    m_openDraftButton->setLabelSpacing(8);
    connect(m_openDraftButton, &QAbstractButton::clicked, this, &SupportView::openDraft);
    ui::AppPillButton* copyDraftButton =
        pillButton(QStringLiteral("Copy Draft"), ui::AppPillTone::neutral, ui::AppPillSize::regular,
                   QStringLiteral("copyDraftButton"));
    copyDraftButton->setLeadingSymbol(QStringLiteral("doc.on.doc"), 13, QFont::Medium);
    copyDraftButton->setLabelFont(ui::appFont(14, QFont::Medium));
    copyDraftButton->setLabelSpacing(8);
    connect(copyDraftButton, &QAbstractButton::clicked, this, &SupportView::copyDraft);
    auto* buttons = new QWidget;
    QHBoxLayout* buttonLayout = ui::horizontalLayout(buttons, 14);
    buttonLayout->addWidget(m_openDraftButton);
    buttonLayout->addWidget(copyDraftButton);
    buttonLayout->addStretch();

    const QColor& green = ui::AppPalette::success();
    m_statusMessage = ui::plainLabel(QString(), 12, QFont::DemiBold, green, true);
    m_statusMessage->setObjectName(QStringLiteral("statusMessage"));
    m_statusRow = new QWidget;
    m_statusRow->setObjectName(QStringLiteral("statusRow"));
    QHBoxLayout* statusLayout = ui::horizontalLayout(m_statusRow, 8);
    statusLayout->addWidget(
        new ui::SymbolIcon(QStringLiteral("checkmark.circle.fill"), 13, green, QFont::DemiBold));
    statusLayout->addWidget(m_statusMessage, 1);

    m_draftHint = new QWidget;
    m_draftHint->setObjectName(QStringLiteral("draftHint"));
    QHBoxLayout* hintLayout = ui::horizontalLayout(m_draftHint, 8);
    hintLayout->addWidget(
        new ui::SymbolIcon(QStringLiteral("info.circle"), 12, textSecondary(), QFont::Medium));
    QLabel* hint = ui::plainLabel(
        QStringLiteral("Add your email and a short problem description to enable the draft."), 12,
        QFont::Normal, textSecondary(), true);
    hintLayout->addWidget(hint, 1);

    auto* panel = new ui::RoundedPanel(
        18,
        [](const QRectF& rect) {
            QLinearGradient gradient(rect.left(), rect.center().y(), rect.right(),
                                     rect.center().y());
            gradient.setColorAt(0, ui::AppPalette::panel());
            gradient.setColorAt(1, ui::withOpacity(ui::AppPalette::panelRaised(), 0.6));
            return QBrush(gradient);
        },
        ui::AppPalette::hairline());
    panel->setObjectName(QStringLiteral("draftActions"));
    QVBoxLayout* layout = ui::verticalLayout(panel, 16, QMargins(20, 20, 20, 20));
    layout->addWidget(buttons);
    layout->addWidget(m_statusRow);
    layout->addWidget(m_draftHint);
    return panel;
}

void SupportView::refresh() {
    const SupportContext context = supportContext();
    const QList<SupportTargetOption> options =
        supportTargetOptions(context.packages, context.installedByID);
    const auto record = selectedSupportRecord(m_form.selectedTargetID, context.installedByID);

    m_versionPill->setVisible(record.has_value());
    if (record && m_versionPill->title() != record->version) {
        m_versionPill->setTitle(record->version);
    }
    refreshPicker(options);
    const auto informationLine = affectedPluginInformationLine(options, record);
    m_targetInfoLine->setVisible(informationLine.has_value());
    m_targetInfoLine->setText(informationLine.value_or(QString()));

    const bool logExists = context.operationsLogExists();
    m_logSwitch->setEnabled(logExists);
    {
        const QSignalBlocker quiet(m_logSwitch);
        m_logSwitch->setChecked(m_form.includeAppLogs);
    }
    m_logSubtitle->setText(
        logExists ? QStringLiteral("Append recent operations log to the support draft.")
                  : QStringLiteral("No log file found yet."));
    m_logBadge->setFill(m_form.includeAppLogs ? ui::withOpacity(ui::AppPalette::accent(), 0.12)
                                              : ui::withOpacity(Qt::white, 0.04));
    // A symbol of another colour is drawn anew from its file: only when the colour changes.
    const QColor& symbolColor = m_form.includeAppLogs ? ui::AppPalette::accent() : textSecondary();
    if (m_logBadge->symbol().color() != symbolColor) {
        m_logBadge->symbol().setColor(symbolColor);
    }
    const bool showsPreview = m_form.logSnippet && !m_form.logSnippet->isEmpty();
    m_logPreview->setVisible(showsPreview);
    if (showsPreview && m_logPreviewText->toPlainText() != *m_form.logSnippet) {
        m_logPreviewText->setPlainText(*m_form.logSnippet);
    }
    m_logLineCount->setText(QString::number(logPreviewLineCount(m_form.logSnippet)) +
                            QStringLiteral(" lines"));

    m_attachmentList->setVisible(!m_form.attachedMediaPaths.isEmpty());
    refreshSystemInfoFields();
    m_advancedDetails->setVisible(m_showAdvancedDetails);
    m_catalogSourceLabel->setText(context.loadSourceLabel);

    const bool composable =
        canComposeSupportDraft(m_form.customerEmail, m_messageEditor->showsPrompt());
    m_openDraftButton->setEnabled(composable && !m_openingDraft);
    m_draftHint->setVisible(!composable);
    const bool showsStatus = m_outcome.statusMessage && !m_outcome.statusMessage->isEmpty();
    m_statusRow->setVisible(showsStatus);
    m_statusMessage->setText(m_outcome.statusMessage.value_or(QString()));
}

void SupportView::refreshPicker(const QList<SupportTargetOption>& options) {
    const QSignalBlocker quiet(m_targetPicker);
    bool same = m_targetPicker->count() == options.size();
    for (qsizetype index = 0; same && index < options.size(); ++index) {
        same = m_targetPicker->itemText(int(index)) == options[index].label &&
               m_targetPicker->itemData(int(index)).toString() == options[index].id;
    }
    if (!same) {
        m_targetPicker->clear();
        for (const SupportTargetOption& option : options) {
            m_targetPicker->addItem(option.label, option.id);
        }
    }
    // A selection whose record went away shows no option until the user picks again.
    m_targetPicker->setCurrentIndex(m_targetPicker->findData(m_form.selectedTargetID));
}

void SupportView::refreshSystemInfoFields() {
    for (const auto& [edit, field] : std::as_const(m_systemInfoFields)) {
        if (edit->text() != m_form.systemInfo.*field) {
            edit->setText(m_form.systemInfo.*field);
        }
    }
}

void SupportView::rebuildAttachmentRows() {
    // Rows go later, not now: the click that removes one is still being handled by its button.
    while (QLayoutItem* item = m_attachmentRows->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    for (qsizetype position = 0; position < m_form.attachedMediaPaths.size(); ++position) {
        const QString& path = m_form.attachedMediaPaths[position];
        auto* attachment = new ui::RoundedPanel(10, ui::withOpacity(ui::AppPalette::accent(), 0.06),
                                                Qt::transparent, 0);
        attachment->setObjectName(QStringLiteral("attachmentRow"));
        QHBoxLayout* layout = ui::horizontalLayout(attachment, 10, QMargins(14, 8, 14, 8));
        layout->addWidget(framedSymbol(new ui::SymbolIcon(attachmentIconName(path), 13,
                                                          ui::AppPalette::accent(), QFont::Medium),
                                       18));
        auto* name =
            new ui::FittingLabel(QFileInfo(path).fileName(), ui::appFont(12, QFont::Medium),
                                 textPrimary(), 1, nullptr, Qt::ElideMiddle);
        name->setObjectName(QStringLiteral("attachmentName"));
        layout->addWidget(name);
        QLabel* size = ui::plainLabel(attachmentSizeText(path), 11, QFont::Normal, textSecondary());
        size->setObjectName(QStringLiteral("attachmentSize"));
        layout->addWidget(size);
        layout->addStretch();
        auto* remove = new SymbolButton(QStringLiteral("xmark.circle.fill"), 14, textSecondary(),
                                        QFont::Medium);
        remove->setObjectName(QStringLiteral("removeAttachmentButton"));
        connect(remove, &QAbstractButton::clicked, this,
                [this, position] { removeAttachment(position); });
        layout->addWidget(remove);
        m_attachmentRows->addWidget(attachment);
    }
}

void SupportView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous() && m_form.systemInfo.hasEmptyField()) {
        refreshDetectedInfo();
    }
    refresh();
}

void SupportView::refreshDetectedInfo() {
    m_form.systemInfo = refreshedSystemInfo(m_form.systemInfo, m_platform.systemInformation);
    refresh();
}

void SupportView::setIncludeAppLogs(bool include) {
    m_form.includeAppLogs = include;
    m_form.logSnippet.reset();
    const quint64 load = ++m_logLoads;
    if (include) {
        // Read off the main thread: the log has no size limit.
        // The screen is made afresh at every section change, so it may be gone by then.
        platform::continueOn(*this, loadLogExcerpt(catalog::operationsLogFilePath()),
                             [this, load](const std::optional<QString>& excerpt) {
                                 if (load != m_logLoads) {
                                     return;
                                 }
                                 // An unreadable log turns the switch back off, without a word.
                                 m_form.includeAppLogs = excerpt.has_value();
                                 m_form.logSnippet = excerpt;
                                 refresh();
                             });
    }
    refresh();
}

void SupportView::addSupportAttachments() {
    m_platform.fileChooser.chooseFiles(
        this, supportAttachmentChoice(), [this](const QStringList& chosen) {
            m_form.attachedMediaPaths = withAttachmentsAdded(m_form.attachedMediaPaths, chosen);
            rebuildAttachmentRows();
            refresh();
        });
}

void SupportView::removeAttachment(qsizetype position) {
    m_form.attachedMediaPaths = withAttachmentRemoved(m_form.attachedMediaPaths, position);
    rebuildAttachmentRows();
    refresh();
}

void SupportView::openSupportMailLink() {
    const QUrl url(QStringLiteral("mailto:") + m_contacts.emailAddress, QUrl::StrictMode);
    if (url.isValid()) {
        m_platform.workspace.openURL(url);
    }
}

void SupportView::openProductPage() {
    const QUrl url(m_contacts.productPageAddress, QUrl::StrictMode);
    if (url.isValid() && !url.scheme().isEmpty()) {
        m_platform.workspace.openURL(url);
    }
}

void SupportView::openDraft() {
    m_outcome = {};
    m_openingDraft = true;
    refresh();
    // The screen is made afresh at every section change, so it may be gone by the answer.
    platform::continueOn(*this,
                         openSupportDraft(*this, form(), supportContext(), m_platform.mailComposer,
                                          m_platform.workspace),
                         [this](const SupportDraftOutcome& outcome) {
                             m_openingDraft = false;
                             showOutcome(outcome);
                         });
}

void SupportView::copyDraft() {
    showOutcome(copySupportDraft(form(), supportContext(), m_platform.clipboard));
}

void SupportView::showOutcome(const SupportDraftOutcome& outcome) {
    m_outcome = outcome;
    refresh();
    if (!outcome.errorMessage) {
        return;
    }
    auto* alert =
        new ui::AppAlert(QStringLiteral("Could Not Open Mail"), ui::AppAlert::Icon::none, this);
    alert->setMessage(*outcome.errorMessage);
    alert->setObjectName(QStringLiteral("mailErrorAlert"));
    alert->setPalette(palette());
    alert->setAttribute(Qt::WA_DeleteOnClose);
    // However the alert goes away, the message goes with it.
    connect(alert, &QDialog::finished, this, [this] { m_outcome.errorMessage.reset(); });
    alert->open();
}

} // namespace marlox::screens
