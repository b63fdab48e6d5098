#include "InstalledView.h"

#include "InstalledCardView.h"
#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogService.h"
#include "catalog/InstallLocations.h"
#include "catalog/InstalledPackageStore.h"
#include "install/InstallationCoordinator.h"
#include "platform/BackgroundWork.h"
#include "platform/Continuation.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ColumnLayout.h"
#include "ui/kit/ScreenParts.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QScopeGuard>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <array>

namespace marlox::ui {

InstalledView::InstalledView(catalog::CatalogService& catalogService,
                             catalog::InstalledPackageStore& installedStore,
                             install::InstallationCoordinator& installationCoordinator,
                             catalog::AppSettingsStore& settingsStore,
                             platform::Workspace& workspace, ThumbnailCache& thumbnailCache,
                             QWidget* parent)
    : QWidget(parent), m_catalogService(catalogService), m_installedStore(installedStore),
      m_installationCoordinator(installationCoordinator), m_settingsStore(settingsStore),
      m_workspace(workspace), m_thumbnailCache(thumbnailCache),
      m_buttonIcons(std::make_unique<SymbolButtonIcons>()) {
    setObjectName(QStringLiteral("installedView"));
    useDarkAppearance(this);
    // The detail pane's colour, so that the screen looks the same on its own.
    setAutoFillBackground(true);
    m_scrollArea = screenScrollArea(this, QStringLiteral("installedScrollArea"));
    makeContent();

    connect(&catalogService, &catalog::CatalogService::packagesChanged, this,
            &InstalledView::refresh);
    connect(&installedStore, &catalog::InstalledPackageStore::installedByIDChanged, this, [this] {
        refreshRecords();
        scanSharedFolder();
    });
    // The operations and the switch bear on what the cards show, not on which cards there are.
    connect(&installationCoordinator, &install::InstallationCoordinator::activePackageIDsChanged,
            this, &InstalledView::showCards);
    connect(&settingsStore.defaults(), &platform::UserDefaults::valueChanged, this,
            [this](const QString& key) {
                if (key == installedText::showAllDetailsKey) {
                    showCards();
                }
            });
    refresh();
}

InstalledView::~InstalledView() = default;

bool InstalledView::showAllDetails() const {
    return m_settingsStore.defaults().boolean(installedText::showAllDetailsKey);
}

QList<FoundInstall> InstalledView::otherChannelInstalls() const {
    return ui::otherChannelInstalls(m_catalogService.packages(), m_installedStore.installedByID(),
                                    catalog::installFolderPath(), m_sharedFolderNames);
}

void InstalledView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window coming back from the dock is no new showing of the screen.
    if (!event->spontaneous()) {
        scanSharedFolder();
    }
}

void InstalledView::scanSharedFolder() {
    const quint64 scan = ++m_newestScan;
    const QFuture<QSet<QString>> listing = QtConcurrent::run(
        platform::utilityThreadPool(), sharedFolderNames, catalog::installFolderPath());
    platform::continueOn(*this, listing, [this, scan](const QSet<QString>& names) {
        if (scan == m_newestScan && names != m_sharedFolderNames) {
            m_sharedFolderNames = names;
            showOtherChannelInstalls();
        }
    });
}

void InstalledView::adoptAll() {
    ui::adoptAll(m_installedStore, m_catalogService.packages(), catalog::installFolderPath(),
                 QDateTime::currentDateTimeUtc());
}

void InstalledView::refresh() {
    m_catalogEntries.emplace(m_catalogService.packages());
    refreshRecords();
}

void InstalledView::refreshRecords() {
    m_rows = installedRows(m_installedStore.installedByID(), *m_catalogEntries);
    showOtherChannelInstalls();
    showCards();
}

void InstalledView::makeContent() {
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("installedContent"));
    auto* centring = new QHBoxLayout(content);
    centring->setContentsMargins({});
    auto* columnWidget = new QWidget;
    columnWidget->setMaximumWidth(860);
    m_column = verticalLayout(columnWidget, 12, {20, 20, 20, 20});
    centring->addStretch(0);
    centring->addWidget(columnWidget, 1);
    centring->addStretch(0);
    m_centring = centring;

    auto* empty = new RoundedPanel(14, AppPalette::panel(), AppPalette::hairline());
    empty->setObjectName(QStringLiteral("installedEmptyState"));
    verticalLayout(empty, 0, {16, 16, 16, 16})
        ->addWidget(plainLabel(installedText::emptyState, 13, QFont::Normal,
                               AppPalette::textSecondary(), true));
    m_emptyState = empty;
    m_column->addWidget(m_emptyState);
    // The cards keep the column's spacing between them; a change of one card lays out that card,
    // not each of a thousand.
    m_cardList = new QWidget;
    m_cardLayout = new ColumnLayout(m_cardList, 12);
    m_column->addWidget(m_cardList);
    // Whatever room the cards leave stays below them: they keep the height their texts need.
    m_column->addStretch(1);
    replaceScrollContent(m_scrollArea, content);
}

void InstalledView::showOtherChannelInstalls() {
    const QList<FoundInstall> found = otherChannelInstalls();
    if (found == m_shownFoundInstalls) {
        return;
    }
    if (m_otherChannelSection) {
        // "Adopt All" on it may be what led here: it goes once control is back in the event loop.
        m_otherChannelSection->setParent(nullptr);
        m_otherChannelSection->deleteLater();
        m_otherChannelSection = nullptr;
    }
    m_shownFoundInstalls = found;
    if (!found.isEmpty()) {
        m_otherChannelSection = makeOtherChannelSection(found);
        m_column->insertWidget(0, m_otherChannelSection);
        m_otherChannelSection->show();
    }
}

void InstalledView::showCards() {
    m_emptyState->setVisible(m_rows.isEmpty());
    m_cardList->setVisible(!m_rows.isEmpty());
    const InstalledCardContext context{
        showAllDetails(), m_expandedPackageIDs, m_installationCoordinator.activePackageIDs(),
        [this](const QString& id) { return m_installedStore.isPresentOnDisk(id); }};
    // Showing a widget on a screen on show lays out every layout above it at once: the list, the
    // column and the content are held while the cards change, then laid out once, from the list
    // up, as one showing would. A screen not on show yet is laid out when it shows, at its size,
    // where now each card would be laid out at the width of a scroll area not yet sized; only
    // the sizes the layouts above ask for are told to change.
    const std::array<QLayout*, 3> held{m_cardLayout, m_column, m_centring};
    for (QLayout* layout : held) {
        layout->setEnabled(false);
    }
    const auto release = qScopeGuard([this, &held] {
        for (QLayout* layout : held) {
            layout->setEnabled(true);
            if (isVisible()) {
                layout->activate();
            } else {
                layout->parentWidget()->updateGeometry();
            }
        }
    });
    QHash<QString, InstalledCardView*> unused = std::exchange(m_cardsByID, {});
    QList<InstalledCardView*> cards;
    cards.reserve(m_rows.size());
    for (const InstalledRow& row : std::as_const(m_rows)) {
        const InstalledCard card = installedCard(row, context);
        InstalledCardView* view = unused.take(card.id);
        if (view) {
            view->setCard(row, card);
        } else {
            view = makeCard(row, card);
        }
        cards.append(view);
        m_cardsByID.insert(card.id, view);
    }
    for (InstalledCardView* view : std::as_const(unused)) {
        // Taken out by hand: a held layout does not hear of a child leaving. Its own button may be
        // what led here, so it goes once control is back in the event loop.
        m_cardLayout->removeWidget(view);
        view->setParent(nullptr);
        view->deleteLater();
    }
    placeInOrder(cards);
}

InstalledCardView* InstalledView::makeCard(const InstalledRow& row, const InstalledCard& card) {
    auto* view = new InstalledCardView(row, card, m_thumbnailCache, *m_buttonIcons);
    connect(view, &InstalledCardView::detailsToggled, this, [this](const QString& id) {
        m_expandedPackageIDs = toggledExpansion(m_expandedPackageIDs, id);
        showCards();
    });
    connect(view, &InstalledCardView::revealRequested, this, &InstalledView::reveal);
    connect(view, &InstalledCardView::repairRequested, &m_installationCoordinator,
            &install::InstallationCoordinator::install);
    connect(view, &InstalledCardView::removeRequested, &m_installationCoordinator,
            &install::InstallationCoordinator::uninstall);
    return view;
}

// Moves only the cards out of place: a kept order touches the layout not at all, and an added
// record costs one insertion.
void InstalledView::placeInOrder(const QList<InstalledCardView*>& cards) {
    for (int index = 0; index < cards.size(); ++index) {
        const QLayoutItem* item = m_cardLayout->itemAt(index);
        if (item && item->widget() == cards[index]) {
            continue;
        }
        const bool isNew = !cards[index]->parentWidget();
        m_cardLayout->insertWidget(index, cards[index]);
        // A widget joining a list on show would otherwise wait for the event loop to be shown.
        if (isNew) {
            cards[index]->show();
        }
    }
}

QWidget* InstalledView::makeOtherChannelSection(const QList<FoundInstall>& found) {
    auto* section =
        new RoundedPanel(14, AppPalette::panel(), withOpacity(AppPalette::warning(), 0.45), 0.5);
    section->setObjectName(QStringLiteral("otherChannelInstalls"));
    auto* stack = verticalLayout(section, 10, {14, 14, 14, 14});
    auto* header = new QHBoxLayout;
    header->addWidget(
        plainLabel(otherChannelText::title, 16, QFont::DemiBold, AppPalette::textPrimary()));
    header->addStretch();
    auto* adopt =
        new AppPillButton(otherChannelText::adoptAll, {AppPillTone::accent, AppPillSize::compact});
    adopt->setObjectName(QStringLiteral("adoptAllButton"));
    connect(adopt, &QAbstractButton::clicked, this, &InstalledView::adoptAll);
    header->addWidget(adopt);
    stack->addLayout(header);
    stack->addWidget(plainLabel(otherChannelText::explanation, 13, QFont::Normal,
                                AppPalette::textSecondary(), true));
    for (const FoundInstall& install : found) {
        auto* entry = new QWidget;
        entry->setObjectName(QStringLiteral("foundInstall:") + install.catalog.id);
        auto* lines = verticalLayout(entry, 2);
        lines->addWidget(
            plainLabel(install.catalog.name, 12, QFont::DemiBold, AppPalette::textPrimary()));
        auto* path = plainLabel(install.path, 11, QFont::Normal, AppPalette::textSecondary(), true);
        path->setSelectable(true);
        lines->addWidget(path);
        stack->addWidget(entry);
    }
    return section;
}

void InstalledView::reveal(const QStringList& paths) const {
    for (const QString& path : paths) {
        m_workspace.revealInFileViewer(path);
    }
}

} // namespace marlox::ui
