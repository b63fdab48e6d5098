#include "UpdatesView.h"

#include "catalog/CatalogService.h"
#include "catalog/InstalledPackageStore.h"
#include "install/InstallationCoordinator.h"
#include "ui/AppFont.h"
#include "ui/AppPill.h"
#include "ui/AppTheme.h"
#include "ui/CachedThumbnailView.h"
#include "ui/ScreenParts.h"
#include "ui/StudioIcon.h"
#include "ui/ThumbnailLookup.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace marlox::screens {
namespace {

using catalog::PackageManifest;
using ui::AppPalette::textPrimary;
using ui::AppPalette::textSecondary;

constexpr int rowSpacing = 12;

QWidget* fallbackIcon(catalog::PackageType type) {
    return new ui::StudioIcon(type == catalog::PackageType::filter ? ui::StudioGlyph::library
                                                                   : ui::StudioGlyph::plugin,
                              18, ui::withOpacity(Qt::white, 0.85), 1.85);
}

// Lies over the tile and draws its fine outline.
class TileOutline final : public QWidget {
public:
    explicit TileOutline(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPainterPath tile = ui::roundedRectPath(
            QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), UpdateThumbnailView::cornerRadius);
        painter.strokePath(tile, QPen(ui::withOpacity(ui::AppPalette::hairline(), 0.7), 0.5));
    }
};

// A thin line in the hairline colour.
class Divider final : public QWidget {
public:
    Divider() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), ui::AppPalette::hairline());
    }
};

} // namespace

UpdateThumbnailView::UpdateThumbnailView(const PackageManifest& package, ui::ThumbnailCache& cache,
                                         QWidget* parent)
    : QWidget(parent), m_address(ui::resolvedThumbnailURL(package)) {
    setFixedSize(tileSize);
    if (m_address) {
        const catalog::PackageType type = package.type;
        m_content = new ui::CachedThumbnailView(
            cache, *m_address, ui::CachedThumbnailView::ContentMode::fit,
            [type] { return fallbackIcon(type); }, this);
    } else {
        m_content = fallbackIcon(package.type);
        m_content->setParent(this);
    }
    m_content->setObjectName(QStringLiteral("thumbnailContent"));
    m_frame = new TileOutline(this);
    m_frame->raise();
    setGraphicsEffect(new ui::RoundedClipEffect(cornerRadius, this));
}

void UpdateThumbnailView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), ui::AppPalette::panelHighlight());
}

void UpdateThumbnailView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_content->setGeometry(rect());
    m_frame->setGeometry(rect());
}

UpdateRowView::UpdateRowView(const UpdateRow& row, ui::ThumbnailCache& cache, QWidget* parent)
    : ui::RoundedPanel(14, ui::AppPalette::panel(), ui::AppPalette::hairline(), 0.5, parent),
      m_row(row), m_cache(cache) {
    setObjectName(QStringLiteral("updateRow:") + row.package.id);
    m_thumbnail = new UpdateThumbnailView(row.package, cache);

    m_name = plainTextLabel({}, 18, QFont::DemiBold, textPrimary(), QStringLiteral("packageName"));
    m_name->setWordWrap(false);
    m_installed =
        new ui::AppPillLabel({}, ui::AppPillTone::neutral, std::nullopt, ui::AppPillSize::compact);
    m_installed->setObjectName(QStringLiteral("installedVersionPill"));
    m_latest =
        new ui::AppPillLabel({}, ui::AppPillTone::accent, std::nullopt, ui::AppPillSize::compact);
    m_latest->setObjectName(QStringLiteral("latestVersionPill"));
    auto* title = new QHBoxLayout;
    title->setSpacing(10);
    title->addWidget(m_name, 0, Qt::AlignVCenter);
    title->addWidget(m_installed, 0, Qt::AlignVCenter);
    title->addWidget(m_latest, 0, Qt::AlignVCenter);
    title->addStretch(1);

    m_description =
        new ui::LineLimitedLabel({}, ui::appFont(12, QFont::Normal), textSecondary(), 2);
    m_description->setObjectName(QStringLiteral("packageDescription"));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(5);
    // The texts stand together, centred in the row's height.
    texts->addStretch(1);
    texts->addLayout(title);
    texts->addWidget(m_description);
    texts->addStretch(1);

    m_releaseNotes = pillButton(QStringLiteral("Release Notes"), ui::AppPillTone::neutral,
                                ui::AppPillSize::compact, QStringLiteral("releaseNotesButton"));
    m_update = pillButton(QStringLiteral("Update"), ui::AppPillTone::accent,
                          ui::AppPillSize::compact, QStringLiteral("updateButton"));
    auto* actions = new QVBoxLayout;
    actions->setSpacing(8);
    actions->addWidget(m_releaseNotes, 0, Qt::AlignRight);
    actions->addWidget(m_update, 0, Qt::AlignRight);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(14);
    layout->addWidget(m_thumbnail, 0, Qt::AlignVCenter);
    layout->addLayout(texts, 1);
    layout->addLayout(actions);
    setRow(row);
}

void UpdateRowView::setRow(const UpdateRow& row) {
    if (ui::resolvedThumbnailURL(row.package) != m_thumbnail->address() ||
        row.package.type != m_row.package.type) {
        auto* thumbnail = new UpdateThumbnailView(row.package, m_cache);
        delete layout()->replaceWidget(m_thumbnail, thumbnail);
        delete m_thumbnail;
        m_thumbnail = thumbnail;
    }
    m_row = row;
    m_name->setText(row.package.name);
    m_installed->setTitle(row.installedPillTitle);
    m_latest->setTitle(row.latestPillTitle);
    m_description->setText(row.description);
    m_update->setEnabled(row.updateEnabled);
}

ReleaseNotesView::ReleaseNotesView(const PackageManifest& package, QWidget* parent)
    : QDialog(parent), m_package(package) {
    setObjectName(QStringLiteral("releaseNotesSheet"));
    setWindowTitle(QStringLiteral("Release Notes"));

    auto* card = screenCard(16, 1);
    card->setMinimumSize(520, 320);
    auto* content = new QVBoxLayout(card);
    content->setContentsMargins(20, 20, 20, 20);
    content->setSpacing(16);
    content->addWidget(plainTextLabel(package.name, 26, QFont::DemiBold, textPrimary(),
                                      QStringLiteral("releaseNotesName")));
    content->addWidget(plainTextLabel(QStringLiteral("Version ") + package.version, 14,
                                      QFont::Normal, textSecondary(),
                                      QStringLiteral("releaseNotesVersion")));
    content->addWidget(new Divider);
    auto* notes = new QScrollArea;
    notes->setFrameShape(QFrame::NoFrame);
    notes->setWidgetResizable(true);
    notes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    notes->viewport()->setAutoFillBackground(false);
    QLabel* text = plainTextLabel(package.releaseNotes, 14, QFont::Normal, textPrimary(),
                                  QStringLiteral("releaseNotesText"));
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes->setWidget(text);
    // The scroll area turns its widget's own background on; the card must show through.
    text->setAutoFillBackground(false);
    content->addWidget(notes, 1);
    m_close = pillButton(QStringLiteral("Close"), ui::AppPillTone::neutral,
                         ui::AppPillSize::regular, QStringLiteral("closeReleaseNotesButton"));
    connect(m_close, &QAbstractButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    content->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->addWidget(card);
}

void ReleaseNotesView::keyPressEvent(QKeyEvent* event) {
    // "Close" is the default action; the pill button is no push button the dialog would press.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_close->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ReleaseNotesView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ui::paintAppSectionBackground(painter, rect());
}

UpdatesView::UpdatesView(catalog::CatalogService& catalogService,
                         catalog::InstalledPackageStore& installedStore,
                         install::InstallationCoordinator& installationCoordinator,
                         ui::ThumbnailCache& thumbnailCache, QWidget* parent)
    : SectionScreen(rowSpacing, parent), m_catalogService(catalogService),
      m_installedStore(installedStore), m_installationCoordinator(installationCoordinator),
      m_thumbnailCache(thumbnailCache) {
    setObjectName(QStringLiteral("updatesView"));
    setWindowTitle(QStringLiteral("Updates"));

    m_emptyCard = screenCard(14, 1);
    m_emptyCard->setObjectName(QStringLiteral("noUpdatesCard"));
    auto* emptyLayout = new QVBoxLayout(m_emptyCard);
    emptyLayout->setContentsMargins(16, 16, 16, 16);
    emptyLayout->addWidget(plainTextLabel(QStringLiteral("No updates available."), 13,
                                          QFont::Normal, textSecondary(),
                                          QStringLiteral("noUpdatesText")));
    addToColumn(m_emptyCard);

    m_header = new QWidget;
    m_header->setObjectName(QStringLiteral("updatesHeader"));
    m_countBadge = new ui::AppCountBadge({}, ui::AppPillTone::accent);
    m_countBadge->setObjectName(QStringLiteral("updateCountBadge"));
    m_countText =
        plainTextLabel({}, 14, QFont::DemiBold, textPrimary(), QStringLiteral("updateCountText"));
    m_countText->setWordWrap(false);
    m_updateAll = pillButton(QStringLiteral("Update All"), ui::AppPillTone::accent,
                             ui::AppPillSize::regular, QStringLiteral("updateAllButton"));
    connect(m_updateAll, &QAbstractButton::clicked, this, &UpdatesView::updateAll);
    auto* header = new QHBoxLayout(m_header);
    header->setContentsMargins(4, 0, 4, 0);
    header->setSpacing(12);
    header->addWidget(m_countBadge);
    header->addWidget(m_countText);
    header->addStretch(1);
    header->addWidget(m_updateAll);
    addToColumn(m_header);

    // The rows keep the column's spacing between them.
    m_rowList = new QWidget;
    m_rowLayout = new QVBoxLayout(m_rowList);
    m_rowLayout->setContentsMargins(0, 0, 0, 0);
    m_rowLayout->setSpacing(rowSpacing);
    addToColumn(m_rowList);

    const auto redraw = [this] { refresh(); };
    connect(&m_catalogService, &catalog::CatalogService::packagesChanged, this, redraw);
    connect(&m_installedStore, &catalog::InstalledPackageStore::installedByIDChanged, this, redraw);
    connect(&m_installationCoordinator, &install::InstallationCoordinator::activePackageIDsChanged,
            this, redraw);
    refresh();
}

void UpdatesView::refresh() {
    m_content = updatesContent(m_catalogService.packages(), m_installedStore.installedByID(),
                               m_installationCoordinator.activePackageIDs());
    const bool empty = m_content.rows.isEmpty();
    m_emptyCard->setVisible(empty);
    m_header->setVisible(!empty);
    m_rowList->setVisible(!empty);
    m_countBadge->setTitle(m_content.countBadgeTitle);
    m_countText->setText(m_content.countText);
    m_updateAll->setEnabled(m_content.updateAllEnabled);

    QMap<QString, UpdateRowView*> kept;
    for (qsizetype index = 0; index < m_content.rows.size(); ++index) {
        const UpdateRow& row = m_content.rows.at(index);
        UpdateRowView* view = m_rows.take(row.package.id);
        if (view) {
            view->setRow(row);
        } else {
            view = new UpdateRowView(row, m_thumbnailCache);
            connect(&view->releaseNotesButton(), &QAbstractButton::clicked, this,
                    [this, view] { showReleaseNotes(view->row().package); });
            connect(&view->updateButton(), &QAbstractButton::clicked, this,
                    [this, view] { m_installationCoordinator.install(view->row().package); });
        }
        // Placed in the list's order, whether new or kept.
        m_rowLayout->insertWidget(static_cast<int>(index), view);
        kept.insert(row.package.id, view);
    }
    qDeleteAll(m_rows);
    m_rows = kept;
}

void UpdatesView::updateAll() {
    m_installationCoordinator.installAll(
        availableUpdates(m_catalogService.packages(), m_installedStore.installedByID()));
}

void UpdatesView::showReleaseNotes(const PackageManifest& package) {
    m_selectedForReleaseNotes = package;
    delete m_releaseNotes;
    m_releaseNotes = new ReleaseNotesView(package, this);
    m_releaseNotes->setAttribute(Qt::WA_DeleteOnClose);
    m_releaseNotes->setWindowModality(Qt::WindowModal);
    connect(m_releaseNotes, &QDialog::finished, this,
            [this] { m_selectedForReleaseNotes.reset(); });
    m_releaseNotes->open();
}

} // namespace marlox::screens
