#include "Sidebar.h"

#include "catalog/Environment.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/StudioIcon.h"
#include "ui/kit/SymbolIcon.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace marlox::app {
namespace {

using namespace ui;

constexpr int rowHeight = 40;
constexpr qreal rowLeadingPadding = 16;
constexpr qreal rowTrailingPadding = 16;
constexpr qreal glyphSide = 24;
constexpr double iconStrokeWidth = 1.85;
constexpr qreal iconTitleSpacing = 12;
constexpr qreal expandedCornerRadius = 11;
constexpr qreal tileSide = 40;
constexpr qreal tileCornerRadius = 9;
constexpr QPointF collapsedMarkOffset(7, -7);
constexpr qreal dotSide = 10;

QFont rowTitleFont() {
    return appFont(14, QFont::Medium);
}

// The label shows plain text in the font and colour.
QLabel* styledPlain(QLabel* label, const QFont& font, const QColor& color) {
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QLabel* plainLabel(const QString& text, const QFont& font, const QColor& color,
                   QWidget* parent = nullptr) {
    return styledPlain(new QLabel(text, parent), font, color);
}

// A button that draws nothing of its own; what it shows are its children, which let every
// click through to it.
class PlainButton : public QAbstractButton {
public:
    using QAbstractButton::QAbstractButton;

    void takeClicksOfChildren() {
        for (auto* child : findChildren<QWidget*>()) {
            child->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    }

    QSize sizeHint() const override { return layout() ? layout()->sizeHint() : QSize(); }

protected:
    void paintEvent(QPaintEvent*) override {}
};

// The banner's check button, which draws the circle behind its symbol.
class BannerCheckButton final : public PlainButton {
public:
    static constexpr qreal badgeSide = 30;

    using PlainButton::PlainButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(withOpacity(AppPalette::warning(), 0.18));
        painter.drawEllipse(QRectF(0, 0, badgeSide, badgeSide));
    }
};

} // namespace

SidebarRow::SidebarRow(AppSection section, QWidget* parent)
    : QAbstractButton(parent), m_section(section) {
    setObjectName(QStringLiteral("sidebarRow-") + rawValue(section));
    setToolTip(title(section));
    setAccessibleName(title(section));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    m_icon = new StudioIcon(glyph(section), glyphSide, Qt::white, iconStrokeWidth, this);
    m_countCapsule = new AppCapsuleLabel(
        {}, {appFont(10, QFont::DemiBold), Qt::white, AppPalette::danger(), 6, 2}, this);
    m_countCapsule->setObjectName(QStringLiteral("updateCountCapsule"));
    m_countCapsule->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_countCapsule->hide();
}

QSize SidebarRow::sizeHint() const {
    return QSize(rowHeight, rowHeight);
}

void SidebarRow::showState(bool isCollapsed, const SidebarRowColors& colors,
                           const SidebarMark& mark) {
    m_isCollapsed = isCollapsed;
    m_colors = colors;
    m_mark = mark;
    if (m_icon->color() != colors.foreground) {
        m_icon->setColor(colors.foreground);
    }
    m_countCapsule->setTitle(mark.text);
    m_countCapsule->setVisible(mark.kind == SidebarMark::Kind::countCapsule);
    placeChildren();
    update();
}

QRectF SidebarRow::tileRect() const {
    return QRectF(rowLeadingPadding, (height() - tileSide) / 2, tileSide, tileSide);
}

// Expanded, the mark stands at the trailing end; collapsed, it sits on the tile, up and right
// of its centre.
QPointF SidebarRow::markCentre() const {
    if (m_isCollapsed) {
        return tileRect().center() + collapsedMarkOffset;
    }
    const qreal markWidth = m_mark.kind == SidebarMark::Kind::countCapsule
                                ? m_countCapsule->sizeHint().width()
                                : dotSide;
    return QPointF(width() - rowTrailingPadding - markWidth / 2, height() / 2.0);
}

QRect SidebarRow::markGeometry() const {
    switch (m_mark.kind) {
    case SidebarMark::Kind::countCapsule:
        return m_countCapsule->geometry();
    case SidebarMark::Kind::dot: {
        const QPointF centre = markCentre();
        return QRectF(centre.x() - dotSide / 2, centre.y() - dotSide / 2, dotSide, dotSide)
            .toRect();
    }
    case SidebarMark::Kind::none:
        break;
    }
    return {};
}

void SidebarRow::placeChildren() {
    const qreal iconLeft =
        m_isCollapsed ? tileRect().center().x() - glyphSide / 2 : rowLeadingPadding;
    m_icon->move(QPointF(iconLeft, (height() - glyphSide) / 2).toPoint());
    const QSize capsule = m_countCapsule->sizeHint();
    m_countCapsule->resize(capsule);
    const QPointF centre = markCentre();
    m_countCapsule->move(
        QPointF(centre.x() - capsule.width() / 2.0, centre.y() - capsule.height() / 2.0).toPoint());
}

void SidebarRow::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    placeChildren();
}

void SidebarRow::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    emit hoverEntered(m_section);
}

void SidebarRow::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    emit hoverExited(m_section);
}

void SidebarRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_isCollapsed) {
        painter.fillPath(roundedRectPath(tileRect(), tileCornerRadius), m_colors.fill);
    } else {
        painter.fillPath(roundedRectPath(rect(), expandedCornerRadius), m_colors.fill);
        const qreal titleLeft = rowLeadingPadding + glyphSide + iconTitleSpacing;
        qreal titleRight = width() - rowTrailingPadding;
        if (m_mark.kind != SidebarMark::Kind::none) {
            titleRight = markGeometry().left();
        }
        const QRectF titleFrame(titleLeft, 0, std::max<qreal>(0, titleRight - titleLeft), height());
        const QFont font = rowTitleFont();
        painter.setFont(font);
        painter.setPen(m_colors.foreground);
        painter.drawText(
            titleFrame, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            QFontMetricsF(font).elidedText(title(m_section), Qt::ElideRight, titleFrame.width()));
    }
    if (m_mark.kind == SidebarMark::Kind::dot) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(AppPalette::warning());
        painter.drawEllipse(QRectF(markGeometry()));
    }
}

// The version line under the banner's title, fitted anew to each width it is given.
class UpdateBanner::VersionLine final : public QLabel {
public:
    explicit VersionLine(QWidget* parent) : QLabel(parent) {
        styledPlain(this, appFont(11, QFont::Normal), AppPalette::textSecondary());
    }

    void showNotice(const std::optional<screens::AppUpdateNotice>& notice) {
        m_notice = notice;
        fit();
    }

    // As narrow as the banner leaves it: its text is fitted to that.
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        fit();
    }

private:
    void fit() {
        setText(m_notice ? updateBannerVersionLines(*m_notice, QFontMetricsF(font()), width())
                               .join(QLatin1Char('\n'))
                         : QString());
    }

    std::optional<screens::AppUpdateNotice> m_notice;
};

UpdateBanner::UpdateBanner(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("updateBanner"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);

    auto* check = new BannerCheckButton(this);
    check->setObjectName(QStringLiteral("updateBannerCheck"));
    check->setCursor(Qt::PointingHandCursor);
    auto* checkLayout = new QHBoxLayout(check);
    checkLayout->setContentsMargins(0, 0, 0, 0);
    checkLayout->setSpacing(10);
    auto* symbolHolder = new QWidget(check);
    symbolHolder->setFixedSize(BannerCheckButton::badgeSide, BannerCheckButton::badgeSide);
    auto* symbolLayout = new QHBoxLayout(symbolHolder);
    symbolLayout->setContentsMargins(0, 0, 0, 0);
    symbolLayout->addWidget(new SymbolIcon(QStringLiteral("arrow.down.circle.fill"), 14,
                                           AppPalette::warning(), QFont::DemiBold),
                            0, Qt::AlignCenter);
    checkLayout->addWidget(symbolHolder, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    auto* title = plainLabel(updateBannerTitle, appFont(13, QFont::DemiBold),
                             AppPalette::textPrimary(), check);
    title->setObjectName(QStringLiteral("updateBannerTitle"));
    texts->addWidget(title);
    m_versionLine = new VersionLine(check);
    m_versionLine->setObjectName(QStringLiteral("updateBannerVersion"));
    texts->addWidget(m_versionLine);
    checkLayout->addLayout(texts, 1);
    check->takeClicksOfChildren();
    connect(check, &QAbstractButton::clicked, this, &UpdateBanner::checkRequested);
    layout->addWidget(check, 1, Qt::AlignTop);

    auto* dismiss = new PlainButton(this);
    dismiss->setObjectName(QStringLiteral("updateBannerDismiss"));
    dismiss->setToolTip(QStringLiteral("Dismiss"));
    dismiss->setCursor(Qt::PointingHandCursor);
    auto* dismissLayout = new QHBoxLayout(dismiss);
    dismissLayout->setContentsMargins(0, 0, 0, 0);
    dismissLayout->addWidget(new SymbolIcon(QStringLiteral("xmark.circle.fill"), 13,
                                            AppPalette::textSecondary(), QFont::DemiBold));
    dismiss->takeClicksOfChildren();
    connect(dismiss, &QAbstractButton::clicked, this, &UpdateBanner::dismissRequested);
    layout->addWidget(dismiss, 0, Qt::AlignTop);
}

void UpdateBanner::showNotice(const std::optional<screens::AppUpdateNotice>& notice) {
    m_versionLine->showNotice(notice);
    m_versionLine->setVisible(notice.has_value());
}

void UpdateBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintFilledOutline(painter, roundedRectPath(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 14),
                       AppPalette::panel(), withOpacity(AppPalette::warning(), 0.22));
}

Sidebar::Sidebar(const platform::Bundle& mainBundle, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sidebar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(12);
    layout->addSpacing(66);
    layout->addLayout(makeGroup(mainSidebarSections, 12));
    m_banner = new UpdateBanner(this);
    connect(m_banner, &UpdateBanner::checkRequested, this, &Sidebar::updateCheckRequested);
    connect(m_banner, &UpdateBanner::dismissRequested, this, &Sidebar::updateDismissed);
    layout->addWidget(m_banner);
    layout->addStretch(1);
    layout->addWidget(makeFoot(mainBundle));
    showState({});
}

QVBoxLayout* Sidebar::makeGroup(std::span<const AppSection> sections, int spacing) {
    auto* group = new QVBoxLayout;
    group->setSpacing(spacing);
    for (const AppSection section : sections) {
        auto* row = new SidebarRow(section, this);
        connect(row, &QAbstractButton::clicked, this,
                [this, section] { emit sectionSelected(section); });
        connect(row, &SidebarRow::hoverEntered, this, &Sidebar::rowHoverEntered);
        connect(row, &SidebarRow::hoverExited, this, &Sidebar::rowHoverExited);
        group->addWidget(row);
        m_rows.append(row);
    }
    return group;
}

QWidget* Sidebar::makeFoot(const platform::Bundle& mainBundle) {
    auto* foot = new QWidget(this);
    auto* layout = new QVBoxLayout(foot);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* divider = new QWidget(foot);
    divider->setObjectName(QStringLiteral("sidebarDivider"));
    divider->setFixedHeight(1);
    divider->setAutoFillBackground(true);
    QPalette dividerPalette = divider->palette();
    dividerPalette.setColor(QPalette::Window, AppPalette::hairline());
    divider->setPalette(dividerPalette);
    auto* dividerHolder = new QVBoxLayout;
    dividerHolder->setContentsMargins(4, 0, 4, 10);
    dividerHolder->addWidget(divider);
    layout->addLayout(dividerHolder);
    auto* lowerGroup = makeGroup(lowerSidebarSections, 6);
    layout->addLayout(lowerGroup);

    m_nameLine = new QWidget(foot);
    m_nameLine->setObjectName(QStringLiteral("sidebarNameLine"));
    auto* nameLayout = new QHBoxLayout(m_nameLine);
    nameLayout->setContentsMargins(10, 8, 10, 0);
    nameLayout->setSpacing(8);
    nameLayout->addStretch(1);
    auto* name = plainLabel(catalog::appDisplayName(mainBundle), appFont(11, QFont::Medium),
                            AppPalette::textSecondary(), m_nameLine);
    name->setObjectName(QStringLiteral("sidebarAppName"));
    nameLayout->addWidget(name);
    if (catalog::isDeveloperBuild(mainBundle)) {
        auto* developer = new AppCapsuleLabel(QStringLiteral("Developer"),
                                              {appFont(10, QFont::DemiBold), SystemColor::green(),
                                               withOpacity(SystemColor::green(), 0.16), 8, 3},
                                              m_nameLine);
        developer->setObjectName(QStringLiteral("developerPill"));
        nameLayout->addWidget(developer);
    }
    nameLayout->addStretch(1);
    layout->addWidget(m_nameLine);
    m_collapsedFootSpacer = new QWidget(foot);
    m_collapsedFootSpacer->setFixedHeight(4);
    layout->addWidget(m_collapsedFootSpacer);
    return foot;
}

SidebarRow* Sidebar::row(AppSection section) const {
    for (auto* row : m_rows) {
        if (row->section() == section) {
            return row;
        }
    }
    return nullptr;
}

void Sidebar::showState(const SidebarState& state) {
    setFixedWidth(sidebarWidth(state.isCollapsed));
    for (auto* row : m_rows) {
        row->showState(state.isCollapsed,
                       sidebarRowColors(row->section(), state.selected, state.hovered),
                       sidebarMark(row->section(), state.updateCount, state.showsAvailableUpdate));
    }
    m_banner->showNotice(state.availableUpdate);
    m_banner->setVisible(!state.isCollapsed && state.showsAvailableUpdate);
    m_nameLine->setVisible(!state.isCollapsed);
    m_collapsedFootSpacer->setVisible(state.isCollapsed);
}

void Sidebar::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), AppPalette::canvasRaised());
}

} // namespace marlox::app
