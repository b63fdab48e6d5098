#include "UpdatesView.h"

#include "catalog/CatalogService.h"
#include "catalog/InstalledPackageStore.h"
#include "install/InstallationCoordinator.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"

#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace marlox::screens {
namespace {

using catalog::PackageManifest;
using ui::AppPalette::textPrimary;
using ui::AppPalette::textSecondary;

constexpr int rowSpacing = 12;

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

ReleaseNotesView::ReleaseNotesView(const PackageManifest& package, QWidget* presenter)
    : ui::SheetLayer(18, presenter), m_package(package) {
    setObjectName(QStringLiteral("releaseNotesSheet"));

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
    ui::FittingLabel* text = plainTextLabel(package.releaseNotes, 14, QFont::Normal, textPrimary(),
                                            QStringLiteral("releaseNotesText"));
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setSelectable(true);
    notes->setWidget(text);
    // The scroll area turns its widget's own background on; the card must show through.
    text->setAutoFillBackground(false);
    content->addWidget(notes, 1);
    auto* close = pillButton(QStringLiteral("Close"), ui::AppPillTone::neutral,
                             ui::AppPillSize::regular, QStringLiteral("closeReleaseNotesButton"));
    connect(close, &QAbstractButton::clicked, this, &SheetLayer::dismiss);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    content->addLayout(buttons);

    setCard(card);
    setInitialFocus(close);
    // "Close" is the default action.
    setDefaultButton(close);
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

UpdatesView::~UpdatesView() {
    // The sheet lies over the window, outside this screen, and goes with it.
    delete m_releaseNotes;
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

    // A row that showed a package of the same id shows the entry now at its place, so its
    // thumbnail stays; entries sharing an id each take a row of their own, and none is left over.
    QHash<QString, QList<UpdateRowView*>> previous;
    for (UpdateRowView* view : std::as_const(m_rows)) {
        previous[view->row().package.id].append(view);
    }
    QList<UpdateRowView*> rows;
    for (qsizetype index = 0; index < m_content.rows.size(); ++index) {
        const UpdateRow& row = m_content.rows.at(index);
        QList<UpdateRowView*>& sameID = previous[row.package.id];
        UpdateRowView* view = sameID.isEmpty() ? nullptr : sameID.takeFirst();
        if (view) {
            view->setRow(row);
        } else {
            view = new UpdateRowView(row, m_thumbnailCache);
            connect(&view->releaseNotesButton(), &QAbstractButton::clicked, this,
                    [this, view] { showReleaseNotes(view->row().package); });
            // A copy: the install's first signals refresh the row.
            connect(&view->updateButton(), &QAbstractButton::clicked, this, [this, view] {
                const PackageManifest package = view->row().package;
                m_installationCoordinator.install(package);
            });
        }
        // Placed in the list's order, whether new or kept.
        m_rowLayout->insertWidget(static_cast<int>(index), view);
        rows.append(view);
    }
    for (const QList<UpdateRowView*>& unused : std::as_const(previous)) {
        qDeleteAll(unused);
    }
    m_rows = rows;
}

UpdateRowView* UpdatesView::row(const QString& packageID) const {
    const auto found = std::find_if(m_rows.cbegin(), m_rows.cend(), [&](UpdateRowView* view) {
        return view->row().package.id == packageID;
    });
    return found == m_rows.cend() ? nullptr : *found;
}

void UpdatesView::updateAll() {
    m_installationCoordinator.installAll(
        availableUpdates(m_catalogService.packages(), m_installedStore.installedByID()));
}

void UpdatesView::showReleaseNotes(const PackageManifest& package) {
    m_selectedForReleaseNotes = package;
    delete m_releaseNotes;
    m_releaseNotes = new ReleaseNotesView(package, this);
    connect(m_releaseNotes, &ui::SheetLayer::dismissed, this, [this] {
        m_selectedForReleaseNotes.reset();
        m_releaseNotes->deleteLater();
    });
    m_releaseNotes->open();
}

} // namespace marlox::screens
