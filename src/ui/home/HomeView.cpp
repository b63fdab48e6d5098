#include "HomeView.h"

#include "catalog/CatalogService.h"
#include "catalog/InstalledPackageStore.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/CachedThumbnailView.h"
#include "ui/kit/ScreenParts.h"
#include "ui/kit/StudioIcon.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/shared/ThumbnailLookup.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QRadialGradient>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace marlox::ui {

using catalog::PackageManifest;

namespace {

constexpr qreal ringSize = 34;
constexpr qreal ringLineWidth = 3.5;

QHBoxLayout* row(int spacing) {
    QHBoxLayout* layout = horizontalLayout(nullptr, spacing);
    layout->setAlignment(Qt::AlignVCenter);
    return layout;
}

// The small ring of the "Installed" tile: a faint track, the arc from twelve o'clock clockwise,
// and the unclamped percent in the middle.
class MiniProgressRing : public QWidget {
public:
    MiniProgressRing(double progress, const QColor& accent, qreal size, qreal lineWidth)
        : m_progress(progress), m_accent(accent), m_lineWidth(lineWidth) {
        setObjectName(QStringLiteral("installedProgressRing"));
        setFixedSize(static_cast<int>(size), static_cast<int>(size));
        setAccessibleName(percentText(progress));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal inset = m_lineWidth / 2;
        const QRectF circle = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
        painter.setPen(QPen(withOpacity(m_accent, 0.15), m_lineWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawEllipse(circle);
        const double arc = clampedProgress(m_progress);
        if (arc > 0) {
            painter.setPen(QPen(m_accent, m_lineWidth, Qt::SolidLine, Qt::RoundCap));
            painter.drawArc(circle, 90 * 16, -static_cast<int>(std::lround(arc * 360 * 16)));
        }
        painter.setPen(m_accent);
        painter.setFont(appFont(9, QFont::Bold));
        painter.drawText(rect(), Qt::AlignCenter, percentText(m_progress));
    }

private:
    double m_progress;
    QColor m_accent;
    qreal m_lineWidth;
};

// A glyph on a faint square of its tint.
class IconTile : public QWidget {
public:
    IconTile(StudioGlyph glyph, const QColor& tint) : m_tint(tint) {
        setFixedSize(34, 34);
        auto* layout = verticalLayout(this, 0);
        layout->addWidget(new StudioIcon(glyph, 15, tint, 1.85), 0, Qt::AlignCenter);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(roundedRectPath(rect(), 10), withOpacity(m_tint, 0.12));
    }

private:
    QColor m_tint;
};

// The hero card's rounded gradient with the accent glow in its bottom-right corner.
class HeroCard : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const QPainterPath shape = roundedRectPath(card, 22);
        QLinearGradient fill(card.topLeft(), card.bottomRight());
        fill.setColorAt(0, AppPalette::panelRaised());
        fill.setColorAt(0.5, AppPalette::panel());
        fill.setColorAt(1, QColor::fromRgbF(0.05f, 0.10f, 0.18f));
        painter.fillPath(shape, fill);
        painter.save();
        painter.setClipPath(shape);
        const QPointF glowCentre = card.bottomRight() + QPointF(60 - 100, 60 - 100);
        QRadialGradient glow(glowCentre, 120);
        glow.setColorAt(10.0 / 120, withOpacity(AppPalette::accent(), 0.08));
        glow.setColorAt(1, withOpacity(AppPalette::accent(), 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(glowCentre, 100, 100);
        painter.restore();
        painter.strokePath(shape, QPen(AppPalette::hairline(), 1));
    }
};

// A button made of a whole guide row: a click anywhere in it, gaps included, presses it.
class GuideStepRow : public QAbstractButton {
public:
    explicit GuideStepRow(const GuideStep& step) {
        setObjectName(QStringLiteral("guideStep") + step.step);
        setCursor(Qt::PointingHandCursor);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins({});
        layout->setSpacing(12);
        layout->setAlignment(Qt::AlignTop);
        layout->addWidget(new StepChip(step.step), 0, Qt::AlignTop);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(4);
        texts->addWidget(plainLabel(step.title, 15, QFont::DemiBold, AppPalette::textPrimary()));
        texts->addWidget(
            plainLabel(step.detail, 13, QFont::Normal, AppPalette::textSecondary(), true));
        layout->addLayout(texts, 1);
        auto* chevron = new SymbolIcon(QStringLiteral("chevron.right"), 12,
                                       AppPalette::textSecondary(), QFont::DemiBold);
        auto* chevronColumn = new QVBoxLayout;
        chevronColumn->setContentsMargins(0, 6, 0, 0);
        chevronColumn->addWidget(chevron);
        chevronColumn->addStretch();
        layout->addLayout(chevronColumn);
        for (QWidget* child : findChildren<QWidget*>()) {
            child->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    }

    QSize sizeHint() const override { return layout()->sizeHint(); }
    bool hasHeightForWidth() const override { return layout()->hasHeightForWidth(); }
    int heightForWidth(int width) const override { return layout()->totalHeightForWidth(width); }

protected:
    void paintEvent(QPaintEvent*) override {}

private:
    // The step number on a faint accent capsule.
    class StepChip : public QWidget {
    public:
        explicit StepChip(const QString& step) {
            auto* layout = verticalLayout(this, 0, {8, 6, 8, 6});
            QLabel* number = plainLabel(step, 11, QFont::DemiBold, AppPalette::accent());
            number->setAlignment(Qt::AlignCenter);
            // As wide as the step's digits at their widest, so that the texts beside every chip
            // start at one place: the font's 1 is narrower than its 2 and 3.
            const QFontMetricsF metrics(number->font());
            qreal widestDigit = 0;
            for (char digit = '0'; digit <= '9'; ++digit) {
                widestDigit = std::max(widestDigit, metrics.horizontalAdvance(QChar(digit)));
            }
            number->setMinimumWidth(static_cast<int>(std::ceil(widestDigit * step.size())));
            layout->addWidget(number);
            setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        }

    protected:
        void paintEvent(QPaintEvent*) override {
            QPainter painter(this);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(capsulePath(rect()), withOpacity(AppPalette::accent(), 0.12));
        }
    };
};

// Cards that fill their grid cell and keep their content at the top left.
RoundedPanel* cardFrame(qreal radius, int padding, int spacing, QVBoxLayout** content) {
    auto* card = new RoundedPanel(radius, AppPalette::panel(), AppPalette::hairline());
    *content = verticalLayout(card, spacing, {padding, padding, padding, padding});
    // Content at the top and across the card: aligned left, the layout would shrink to the width
    // of its widest row.
    (*content)->setAlignment(Qt::AlignTop);
    return card;
}

// A thumbnail of the package over the highlight colour, or the colour alone without one, both cut
// to the corners given. The pane and the picture round their own corners: a clipping effect
// would draw them offscreen at every paint.
QWidget* thumbnailPane(ThumbnailCache& cache, const PackageManifest& package,
                       CachedThumbnailView::ContentMode mode, qreal radius,
                       RoundedCorners corners) {
    auto* pane = new RoundedPanel(radius, AppPalette::panelHighlight(), Qt::transparent, 0);
    pane->setCorners(corners);
    auto* layout = verticalLayout(pane, 0);
    if (const auto url = resolvedThumbnailURL(package)) {
        // The pane shows its colour while no picture is at hand.
        auto* picture = new CachedThumbnailView(cache, *url, mode, [] { return new QWidget; });
        picture->setRoundedCorners(radius, corners);
        layout->addWidget(picture);
    }
    return pane;
}

} // namespace

HomeView::HomeView(catalog::CatalogService& catalogService,
                   catalog::InstalledPackageStore& installedStore, ThumbnailCache& thumbnailCache,
                   HomeSummaryCache& summaryCache, NavigateCallback onNavigate,
                   RandomIndexSource randomIndex, QWidget* parent)
    : QWidget(parent), m_catalogService(catalogService), m_installedStore(installedStore),
      m_thumbnailCache(thumbnailCache), m_summaryCache(summaryCache),
      m_onNavigate(std::move(onNavigate)), m_randomIndex(std::move(randomIndex)) {
    setObjectName(QStringLiteral("homeView"));
    useDarkAppearance(this);
    m_scrollArea = screenScrollArea(this, QStringLiteral("homeScrollArea"));

    const auto redraw = [this] { scheduleRefresh(); };
    connect(&catalogService, &catalog::CatalogService::packagesChanged, this, redraw);
    connect(&catalogService, &catalog::CatalogService::manifestChanged, this, redraw);
    connect(&catalogService, &catalog::CatalogService::loadSourceLabelChanged, this, redraw);
    connect(&catalogService, &catalog::CatalogService::lastErrorMessageChanged, this, redraw);
    connect(&installedStore, &catalog::InstalledPackageStore::installedByIDChanged, this, redraw);
}

double HomeView::contentWidth() const {
    return homeContentWidth(width());
}

void HomeView::scheduleRefresh() {
    // A catalog that arrives announces four changes at once: they cost one rebuild. Before the
    // screen is first shown there is nothing to rebuild.
    if (m_refreshScheduled) {
        return;
    }
    m_refreshScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshScheduled = false;
        if (m_builtLayout) {
            refresh();
        }
    });
}

void HomeView::refresh() {
    const double width = contentWidth();
    const HomeLayout layout = homeLayout(width);
    replaceScrollContent(m_scrollArea, makeContent(layout, width));
    m_builtLayout = layout;
}

QWidget* HomeView::makeContent(const HomeLayout& layout, double contentWidth) {
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("homeContent"));
    content->setAttribute(Qt::WA_TranslucentBackground);
    auto* stack = verticalLayout(content, 18, {24, 24, 24, 24});
    const QList<PackageManifest>& packages = m_catalogService.packages();
    const HomeSummary summary =
        m_summaryCache.get(packages, m_installedStore.installedByID(), homeSummary);
    const CatalogCoverage& coverage = summary.coverage;
    stack->addWidget(makeHeroCard(layout));
    stack->addWidget(makeStatGrid(layout, coverage));
    m_featuredPane = nullptr;
    if (const auto featured = featuredPackage(packages, summary.featured, m_featuredPackageID)) {
        stack->addWidget(makeFeaturedCard(*featured, contentWidth));
    }
    if (!summary.whatsNew.isEmpty()) {
        stack->addWidget(makeWhatsNew(layout, summary.whatsNew));
    }
    stack->addWidget(makeCardGrid(layout, coverage));
    // Only absence hides the notice: an empty message still shows an empty card.
    if (const auto& message = m_catalogService.lastErrorMessage()) {
        auto* notice = new RoundedPanel(14, AppPalette::panel(), withOpacity(platformRed(), 0.35));
        notice->setObjectName(QStringLiteral("catalogErrorNotice"));
        verticalLayout(notice, 0, {16, 16, 16, 16})
            ->addWidget(plainLabel(*message, 14, QFont::Normal, platformRed(), true));
        stack->addWidget(notice);
    }
    stack->addStretch();
    return content;
}

QWidget* HomeView::makeHeroCard(const HomeLayout& layout) {
    auto* card = new HeroCard;
    card->setObjectName(QStringLiteral("heroCard"));
    auto* stack = verticalLayout(card, 10, {22, 16, 22, 16});
    auto* pills = row(8);
    auto* source = new AppPillLabel(m_catalogService.loadSourceLabel(), AppPillTone::accent,
                                    StudioGlyph::updates, AppPillSize::regular);
    source->setObjectName(QStringLiteral("loadSourcePill"));
    pills->addWidget(source);
    pills->addStretch();
    stack->addLayout(pills);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    auto* headline = plainLabel(homeText::headline, layout.headlineSize, QFont::DemiBold,
                                AppPalette::textPrimary());
    headline->setObjectName(QStringLiteral("heroHeadline"));
    texts->addWidget(headline);
    texts->addWidget(
        plainLabel(homeText::heroSubLine, 14, QFont::Normal, AppPalette::textSecondary(), true));
    stack->addLayout(texts);
    return card;
}

QWidget* HomeView::makeStatGrid(const HomeLayout& layout, const CatalogCoverage& coverage) {
    auto* grid = new QWidget;
    grid->setObjectName(QStringLiteral("statGrid"));
    auto* cells = new QGridLayout(grid);
    cells->setContentsMargins({});
    cells->setSpacing(12);
    struct Tile {
        StatTile text;
        QColor tint;
        StudioGlyph glyph;
        QString name;
    };
    const Tile tiles[] = {
        {pluginsTile(coverage), AppPalette::accent(), StudioGlyph::plugin,
         QStringLiteral("pluginsTile")},
        {installedTile(coverage), AppPalette::success(), StudioGlyph::installed,
         QStringLiteral("installedTile")},
    };
    int index = 0;
    for (const Tile& tile : tiles) {
        QVBoxLayout* stack = nullptr;
        auto* card = cardFrame(18, 16, 14, &stack);
        card->setObjectName(tile.name);
        card->setMinimumHeight(148);
        auto* header = row(6);
        header->addWidget(
            plainLabel(tile.text.title, 12, QFont::DemiBold, AppPalette::textSecondary()));
        header->addStretch();
        if (tile.text.progress) {
            header->addWidget(
                new MiniProgressRing(*tile.text.progress, tile.tint, ringSize, ringLineWidth));
        } else {
            header->addWidget(new IconTile(tile.glyph, tile.tint));
        }
        stack->addLayout(header);
        stack->addWidget(
            plainLabel(tile.text.value, 28, QFont::DemiBold, AppPalette::textPrimary()));
        stack->addWidget(
            plainLabel(tile.text.subLine, 12, QFont::Normal, AppPalette::textSecondary(), true));
        cells->addWidget(card, index / layout.statColumns, index % layout.statColumns);
        ++index;
    }
    for (int columnIndex = 0; columnIndex < layout.statColumns; ++columnIndex) {
        cells->setColumnStretch(columnIndex, 1);
    }
    return grid;
}

QWidget* HomeView::makeFeaturedCard(const PackageManifest& package, double contentWidth) {
    auto* card = new RoundedPanel(20, AppPalette::panel(), AppPalette::hairline());
    card->setObjectName(QStringLiteral("featuredCard"));
    card->setMinimumHeight(200);
    auto* layout = new QHBoxLayout(card);
    layout->setContentsMargins({});
    layout->setSpacing(0);
    // Only the picture reaches the card's edge: it takes the card's left corners.
    m_featuredPane =
        thumbnailPane(m_thumbnailCache, package, CachedThumbnailView::ContentMode::fill, 20,
                      RoundedCorners::left);
    m_featuredPane->setObjectName(QStringLiteral("featuredThumbnail"));
    m_featuredPane->setFixedWidth(
        static_cast<int>(std::lround(homeLayout(contentWidth).featuredThumbnailWidth)));
    layout->addWidget(m_featuredPane);
    auto* texts = new QWidget;
    auto* stack = verticalLayout(texts, 14, {22, 22, 22, 22});
    stack->setAlignment(Qt::AlignTop);
    auto* tag = plainLabel(homeText::featured, 10, QFont::DemiBold, AppPalette::accent());
    QFont tagFont = tag->font();
    tagFont.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    tag->setFont(tagFont);
    stack->addWidget(tag);
    auto* name = plainLabel(package.name, 24, QFont::DemiBold, AppPalette::textPrimary(), true);
    name->setObjectName(QStringLiteral("featuredName"));
    stack->addWidget(name);
    if (package.summary) {
        auto* summary = new FittingLabel(*package.summary, appFont(14, QFont::Normal),
                                         AppPalette::textSecondary(), 3);
        summary->setObjectName(QStringLiteral("featuredSummary"));
        stack->addWidget(summary);
    }
    auto* pills = row(6);
    for (const QString& title :
         {featuredTypeLabel(package.type), catalog::shownCategory(package.category),
          QLatin1Char('v') + package.version}) {
        pills->addWidget(
            new AppPillLabel(title, AppPillTone::neutral, std::nullopt, AppPillSize::compact));
    }
    pills->addStretch();
    stack->addLayout(pills);
    layout->addWidget(texts, 1);
    return card;
}

QWidget* HomeView::makeWhatsNew(const HomeLayout& layout, const QList<PackageManifest>& packages) {
    auto* section = new QWidget;
    section->setObjectName(QStringLiteral("whatsNew"));
    auto* stack = verticalLayout(section, 14);
    stack->addWidget(
        plainLabel(homeText::whatsNew, 22, QFont::DemiBold, AppPalette::textPrimary()));
    auto* cells = new QGridLayout;
    cells->setSpacing(12);
    for (qsizetype index = 0; index < packages.size(); ++index) {
        const PackageManifest& package = packages.at(index);
        auto* entry = new RoundedPanel(16, AppPalette::panel(), AppPalette::hairline());
        entry->setObjectName(QStringLiteral("whatsNewRow:") + package.id);
        auto* line = new QHBoxLayout(entry);
        line->setContentsMargins(14, 14, 14, 14);
        line->setSpacing(14);
        auto* thumbnail =
            thumbnailPane(m_thumbnailCache, package, CachedThumbnailView::ContentMode::fill, 12,
                          RoundedCorners::all);
        thumbnail->setFixedSize(56, 56);
        line->addWidget(thumbnail);
        // The texts stand together in the middle of a row that a neighbour's long texts make
        // taller.
        auto* texts = new QVBoxLayout;
        texts->setSpacing(4);
        texts->addStretch(1);
        auto* title = row(8);
        auto* name = new FittingLabel(package.name, appFont(14, QFont::DemiBold),
                                      AppPalette::textPrimary(), 1);
        auto* version = plainLabel(QLatin1Char('v') + package.version, 11, QFont::Medium,
                                   AppPalette::accent(), true);
        addSharingRoom(title, name);
        title->addStretch();
        // Level with the name's first line.
        addSharingRoom(title, version, dropToFirstLine(*name, version->firstBaseline()));
        texts->addLayout(title);
        auto* notes = new FittingLabel(package.releaseNotes, appFont(12, QFont::Normal),
                                       AppPalette::textSecondary(), 2);
        notes->setObjectName(QStringLiteral("whatsNewNotes"));
        texts->addWidget(notes);
        texts->addStretch(1);
        line->addLayout(texts, 1);
        const int columns = layout.whatsNewColumns;
        cells->addWidget(entry, static_cast<int>(index / columns),
                         static_cast<int>(index % columns));
    }
    for (int columnIndex = 0; columnIndex < layout.whatsNewColumns; ++columnIndex) {
        cells->setColumnStretch(columnIndex, 1);
    }
    stack->addLayout(cells);
    return section;
}

QWidget* HomeView::makeCardGrid(const HomeLayout& layout, const CatalogCoverage& coverage) {
    auto* grid = new QWidget;
    auto* cells = new QGridLayout(grid);
    cells->setContentsMargins({});
    cells->setSpacing(14);
    const int columns = layout.cardColumns;
    cells->addWidget(makeQuickActionsCard(), 0, 0);
    cells->addWidget(makeSystemStatusCard(coverage), columns == 1 ? 1 : 0, columns == 1 ? 0 : 1);
    for (int columnIndex = 0; columnIndex < columns; ++columnIndex) {
        cells->setColumnStretch(columnIndex, 1);
    }
    return grid;
}

QWidget* HomeView::makeQuickActionsCard() {
    QVBoxLayout* stack = nullptr;
    auto* card = cardFrame(18, 18, 16, &stack);
    card->setObjectName(QStringLiteral("quickActionsCard"));
    stack->addWidget(
        plainLabel(homeText::quickActions, 22, QFont::DemiBold, AppPalette::textPrimary()));
    for (const GuideStep& step : homeGuideSteps()) {
        auto* button = new GuideStepRow(step);
        connect(button, &QAbstractButton::clicked, this,
                [this, destination = step.destination] { navigate(destination); });
        stack->addWidget(button);
    }
    return card;
}

QWidget* HomeView::makeSystemStatusCard(const CatalogCoverage& coverage) {
    QVBoxLayout* stack = nullptr;
    auto* card = cardFrame(18, 18, 16, &stack);
    card->setObjectName(QStringLiteral("systemStatusCard"));
    stack->addWidget(
        plainLabel(homeText::systemStatus, 22, QFont::DemiBold, AppPalette::textPrimary()));
    for (const StatusRow& status : systemStatusRows(m_catalogService.loadSourceLabel(),
                                                    m_catalogService.manifest(), coverage)) {
        auto* entry = new RoundedPanel(14, AppPalette::panelRaised(), AppPalette::hairline());
        entry->setObjectName(QStringLiteral("statusRow:") + status.title);
        auto* texts = verticalLayout(entry, 5, {14, 14, 14, 14});
        texts->addWidget(
            plainLabel(status.title, 11, QFont::DemiBold, AppPalette::textSecondary()));
        texts->addWidget(plainLabel(status.value, 15, QFont::DemiBold,
                                    status.valueTone == StatusValueTone::accent
                                        ? AppPalette::accent()
                                        : AppPalette::textPrimary()));
        texts->addWidget(
            plainLabel(status.detail, 12, QFont::Normal, AppPalette::textSecondary(), true));
        stack->addWidget(entry);
    }
    return card;
}

void HomeView::pickFeaturedPackageIfNeeded() {
    const QList<PackageManifest>& packages = m_catalogService.packages();
    const auto picked = pickFeaturedPackageID(
        packages,
        m_summaryCache.get(packages, m_installedStore.installedByID(), homeSummary).featured,
        m_featuredPackageID, m_randomIndex);
    if (picked != m_featuredPackageID) {
        m_featuredPackageID = picked;
        if (m_builtLayout) {
            refresh();
        }
    }
}

void HomeView::navigate(const std::optional<QString>& destination) const {
    if (destination && m_onNavigate) {
        m_onNavigate(*destination);
    }
}

void HomeView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintAppSectionBackground(painter, rect());
}

void HomeView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const double width = contentWidth();
    // The thumbnail pane's width changes with every resize; only the breakpoints rebuild.
    const auto breakpoints = [](HomeLayout layout) {
        layout.featuredThumbnailWidth = 0;
        return layout;
    };
    if (!m_builtLayout) {
        return;
    }
    if (breakpoints(homeLayout(width)) != breakpoints(*m_builtLayout)) {
        refresh();
    } else if (m_featuredPane) {
        m_featuredPane->setFixedWidth(
            static_cast<int>(std::lround(homeLayout(width).featuredThumbnailWidth)));
    }
}

void HomeView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window coming back from the dock is no new showing of the screen.
    if (!event->spontaneous()) {
        pickFeaturedPackageIfNeeded();
    }
    if (!m_builtLayout) {
        refresh();
    }
}

} // namespace marlox::ui
