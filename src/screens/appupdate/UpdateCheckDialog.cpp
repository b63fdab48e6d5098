#include "UpdateCheckDialog.h"

#include "ui/kit/ScreenParts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace marlox::screens {
namespace {

constexpr int dialogWidth = 380;

// Feed and error texts come from outside: plain, and a long address breaks inside.
ui::FittingLabel* plainLabel(const QString& objectName, QWidget* parent) {
    auto* label =
        new ui::FittingLabel({}, parent->font(), parent->palette().color(QPalette::WindowText),
                             ui::FittingLabel::anyNumberOfLines, parent);
    label->setObjectName(objectName);
    label->setSelectable(true);
    return label;
}

} // namespace

UpdateCheckDialog::UpdateCheckDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("updateCheckDialog"));
    setWindowTitle(QStringLiteral("Software Update"));
    setFixedWidth(dialogWidth);

    m_headline = plainLabel(QStringLiteral("updateHeadline"), this);
    QFont headlineFont = m_headline->font();
    headlineFont.setBold(true);
    m_headline->setFont(headlineFont);
    m_detail = plainLabel(QStringLiteral("updateDetail"), this);

    auto* buttons = new QDialogButtonBox(this);
    m_openDownloadPage =
        buttons->addButton(QStringLiteral("Open Download Page"), QDialogButtonBox::AcceptRole);
    m_openDownloadPage->setObjectName(QStringLiteral("openDownloadPageButton"));
    m_close = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    m_close->setObjectName(QStringLiteral("closeButton"));
    connect(m_openDownloadPage, &QPushButton::clicked, this, [this] {
        if (m_downloadPage) {
            emit downloadPageRequested(*m_downloadPage);
        }
        accept();
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(10);
    layout->addWidget(m_headline);
    layout->addWidget(m_detail);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    showChecking();
}

void UpdateCheckDialog::showChecking() {
    showOutcome({QStringLiteral("Checking for updates…"), {}, std::nullopt});
    m_close->setText(QStringLiteral("Cancel"));
}

void UpdateCheckDialog::showOutcome(const UpdateCheckOutcome& outcome) {
    m_headline->setText(outcome.headline);
    m_detail->setText(outcome.detail);
    m_detail->setVisible(!outcome.detail.isEmpty());
    m_downloadPage = outcome.downloadPage;
    m_openDownloadPage->setVisible(outcome.downloadPage.has_value());
    m_openDownloadPage->setDefault(outcome.downloadPage.has_value());
    m_close->setText(QStringLiteral("Close"));
    m_close->setDefault(!outcome.downloadPage.has_value());
    fitHeightToText();
}

void UpdateCheckDialog::fitHeightToText() {
    // The texts wrap, which a window's layout does not grow for by itself: the dialog takes the
    // height its texts need at its width, for each outcome anew, as much above as below.
    const QPoint place = pos();
    const int grown = heightForWidth(dialogWidth) - height();
    setFixedHeight(height() + grown);
    if (isVisible()) {
        move(place.x(), place.y() - grown / 2);
    }
}

} // namespace marlox::screens
