#include "ui/plugins/PackageDetailSheet.h"

#include "catalog/CatalogManifest.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"
#include "ui/plugins/LibraryPresentation.h"
#include "ui/shared/PackageImageView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace marlox::ui {
namespace {

const QString bulletPrefix = QStringLiteral("• ");

class Divider : public QWidget {
public:
    Divider() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), AppPalette::hairline());
    }
};

QLabel* infoLine(const QString& objectName) {
    QLabel* label = plainLabel(QString(), 13, QFont::Normal, AppPalette::textSecondary(), true);
    label->setObjectName(objectName);
    return label;
}

QStringList textsOf(const QWidget* holder) {
    QStringList texts;
    for (const QLabel* label :
         holder->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!label->isHidden()) {
            texts.append(label->text());
        }
    }
    return texts;
}

} // namespace

PackageDetailSheet::PackageDetailSheet(ThumbnailCache& thumbnailCache, QWidget* presenter)
    : SheetLayer(outerPadding, presenter),
      m_image(new PackageImageView(thumbnailCache, PackageImageView::ScalingMode::fill)),
      m_title(new PackageTitleRow(appFont(25, QFont::DemiBold), appFont(14, QFont::DemiBold), 8,
                                  anyNumberOfLines)),
      m_summary(plainLabel(QString(), 15, QFont::Normal, AppPalette::textSecondary(), true)),
      m_bullets(new QWidget), m_category(infoLine(QStringLiteral("categoryLine"))),
      m_type(infoLine(QStringLiteral("typeLine"))),
      m_status(infoLine(QStringLiteral("statusLine"))),
      m_action(new PackageActionControl(AppPillSize::regular)) {
    setObjectName(QStringLiteral("packageDetailSheet"));
    useDarkAppearance(this);
    m_summary->setObjectName(QStringLiteral("packageSummary"));
    m_bullets->setObjectName(QStringLiteral("detailBullets"));
    m_image->setFixedHeight(240);
    m_image->setRoundedCorners(12);

    auto* body = new QWidget;
    auto* bodyLayout = verticalLayout(body, 14, QMargins(18, 18, 18, 18));
    bodyLayout->addWidget(m_image);
    bodyLayout->addWidget(m_title);
    bodyLayout->addWidget(m_summary);
    m_bulletLayout = verticalLayout(m_bullets, 7);
    bodyLayout->addWidget(m_bullets);
    auto* info = new QWidget;
    info->setObjectName(QStringLiteral("infoLines"));
    auto* infoLayout = verticalLayout(info, 5);
    infoLayout->addWidget(m_category);
    infoLayout->addWidget(m_type);
    infoLayout->addWidget(m_status);
    bodyLayout->addWidget(info);
    bodyLayout->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("detailScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setWidget(body);
    scroll->viewport()->setAutoFillBackground(false);
    body->setAutoFillBackground(false);

    auto* close = new AppPillButton(QStringLiteral("Close"), {AppPillTone::neutral});
    close->setObjectName(QStringLiteral("closeButton"));
    auto* buttonBar = new QHBoxLayout;
    buttonBar->setContentsMargins(18, 12, 18, 12);
    buttonBar->setSpacing(10);
    buttonBar->addWidget(m_action);
    buttonBar->addStretch(1);
    buttonBar->addWidget(close);

    auto* panel = new RoundedPanel(16, AppPalette::panel(), AppPalette::hairline());
    panel->setMinimumSize(minimumPanelWidth, minimumPanelHeight);
    auto* panelLayout = verticalLayout(panel, 0);
    panelLayout->addWidget(scroll, 1);
    panelLayout->addWidget(new Divider);
    panelLayout->addLayout(buttonBar);

    setCard(panel);
    setInitialFocus(close);
    connect(m_action, &PackageActionControl::installRequested, this,
            &PackageDetailSheet::installRequested);
    connect(close, &QAbstractButton::clicked, this, &SheetLayer::dismiss);
}

void PackageDetailSheet::setValues(const PackageCardValues& values,
                                   const std::optional<QString>& runtimeStatus) {
    const catalog::PackageManifest& package = values.package;
    m_packageID = package.id;
    m_image->setPackage(package);
    m_title->setPackage(package);
    m_summary->setText(values.summary);
    setBullets(package.detailBullets.value_or(QStringList()));
    m_category->setText(QStringLiteral("Category: ") + catalog::shownCategory(package.category));
    m_type->setText(QStringLiteral("Type: ") + packageTypeTitle(package.type));
    m_status->setText(QStringLiteral("Status: ") + runtimeStatus.value_or(QString()));
    m_status->setVisible(runtimeStatus.has_value());
    m_action->setValues(values.state, values.isInstalling);
}

void PackageDetailSheet::setBullets(const QStringList& bullets) {
    QStringList lines;
    for (const QString& bullet : bullets) {
        lines.append(bulletPrefix + bullet);
    }
    m_bullets->setVisible(!lines.isEmpty());
    if (lines == bulletLines()) {
        return;
    }
    qDeleteAll(m_bullets->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly));
    for (const QString& line : lines) {
        m_bulletLayout->addWidget(plainLabel(line, 14, QFont::Normal, Qt::white, true));
    }
}

QStringList PackageDetailSheet::bulletLines() const {
    return textsOf(m_bullets);
}

QStringList PackageDetailSheet::infoLines() const {
    return textsOf(m_category->parentWidget());
}

} // namespace marlox::ui
