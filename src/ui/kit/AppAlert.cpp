#include "ui/kit/AppAlert.h"

#include "ui/kit/AppFont.h"
#include "ui/kit/ScreenParts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace marlox::ui {

AppAlert::AppAlert(const QString& title, Icon icon, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
    const QColor text = palette().color(QPalette::WindowText);
    m_title = plainLabel(title, 14, QFont::DemiBold, text, true);
    m_title->setObjectName(QStringLiteral("alertTitle"));
    m_message = plainLabel({}, 13, QFont::Normal, text, true);
    m_message->setObjectName(QStringLiteral("alertMessage"));
    m_message->setFixedWidth(messageWidth);
    m_message->setPreferredWidthLimit(messageWidth);
    m_message->setSelectable(true);
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    m_ok = ok;

    auto* texts = new QVBoxLayout;
    texts->setSpacing(8);
    texts->addWidget(m_title);
    texts->addWidget(m_message);
    auto* body = new QHBoxLayout;
    body->setSpacing(16);
    if (icon == Icon::warning) {
        auto* symbol = new QLabel;
        const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        symbol->setPixmap(
            style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(side));
        body->addWidget(symbol, 0, Qt::AlignTop);
    }
    body->addLayout(texts);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    QVBoxLayout* layout = verticalLayout(this, 16, {20, 20, 20, 16});
    layout->addLayout(body);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString AppAlert::title() const {
    return m_title->text();
}

QString AppAlert::message() const {
    return m_message->text();
}

void AppAlert::setMessage(const QString& message) {
    m_message->setText(message);
}

} // namespace marlox::ui
