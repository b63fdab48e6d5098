#include "InstalledView.h"

#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogService.h"
#include "catalog/InstallLocations.h"
#include "catalog/InstalledPackageStore.h"
#include "install/InstallationCoordinator.h"
#include "platform/BackgroundWork.h"
#include "platform/LifetimeBound.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/CachedThumbnailView.h"
#include "ui/kit/ScreenParts.h"
#include "ui/kit/StudioIcon.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/shared/ThumbnailLookup.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace marlox::ui {

using catalog::PackageManifest;

namespace {

// A path or other value under a small title; long values wrap instead of being cut.
QWidget* detailBlock(const DetailBlock& block) {
    auto* widget = new QWidget;
    auto* stack = verticalLayout(widget, 4);
    stack->addWidget(plainLabel(block.title, 11, QFont::DemiBold, AppPalette::textSecondary()));
    auto* value = plainLabel(block.value, 11, QFont::Normal, AppPalette::textSecondary(), true);
    makeSelectable(value);
    stack->addWidget(value);
    return widget;
}

// A bordered button showing only a platform symbol, with its help as tool tip.
QPushButton* symbolButton(const QString& objectName, const QString& symbol, const QString& help) {
    auto* button = new QPushButton;
    button->setObjectName(objectName);
    button->setToolTip(help);
    button->setAccessibleName(help);
    constexpr int side = 14;
    const qreal ratio = 2;
    QIcon icon;
    for (const auto& [mode, opacity] :
         {std::pair{QIcon::Normal, 1.0}, std::pair{QIcon::Disabled, 0.35}}) {
        QPixmap picture(QSize(side, side) * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        drawSymbol(painter, QRectF(0, 0, side, side), symbol,
                   withOpacity(AppPalette::textPrimary(), opacity), QFont::DemiBold);
        painter.end();
        icon.addPixmap(picture, mode);
    }
    button->setIcon(icon);
    button->setIconSize(QSize(side, side));
    button->setProperty("symbol", symbol);
    return button;
}

// The glyph and title shown when a package has no picture.
QWidget* fallbackTile(const std::optional<PackageManifest>& package, const QString& title) {
    auto* tile = new QWidget;
    auto* stack = verticalLayout(tile, 6, {6, 0, 6, 0});
    stack->setAlignment(Qt::AlignCenter);
    const bool filter = package && package->type == catalog::PackageType::filter;
    stack->addWidget(new StudioIcon(filter ? StudioGlyph::library : StudioGlyph::plugin, 18,
                                    withOpacity(Qt::white, 0.85), 1.85),
                     0, Qt::AlignHCenter);
    stack->addWidget(
        new LineLimitedLabel(title, appFont(9, QFont::DemiBold), withOpacity(Qt::white, 0.78), 1),
        0, Qt::AlignHCenter);
    return tile;
}

// The 72 by 48 tile at the left of a card, with its thin outline over the picture.
class ThumbnailTile : public QWidget {
public:
    ThumbnailTile(ThumbnailCache& cache, const std::optional<PackageManifest>& package,
                  const QString& title) {
        setFixedSize(72, 48);
        setGraphicsEffect(new RoundedClipEffect(10, this));
        auto* stack = verticalLayout(this, 0);
        const auto url = package ? resolvedThumbnailURL(*package) : std::nullopt;
        if (url) {
            stack->addWidget(new CachedThumbnailView(cache, *url,
                                                     CachedThumbnailView::ContentMode::fit,
                                                     [=] { return fallbackTile(package, title); }));
        } else {
            stack->addWidget(fallbackTile(package, title));
        }
        m_outline = new Outline(this);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), AppPalette::panelHighlight());
    }
    void resizeEvent(QResizeEvent*) override { m_outline->setGeometry(rect()); }

private:
    class Outline : public QWidget {
    public:
        explicit Outline(QWidget* parent) : QWidget(parent) {
            setAttribute(Qt::WA_TransparentForMouseEvents);
            raise();
        }

    protected:
        void paintEvent(QPaintEvent*) override {
            QPainter painter(this);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.strokePath(
                roundedRectPath(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 10),
                QPen(withOpacity(AppPalette::hairline(), 0.7), 0.5));
        }
    };

    Outline* m_outline = nullptr;
};

} // namespace

InstalledView::InstalledView(catalog::CatalogService& catalogService,
                             catalog::InstalledPackageStore& installedStore,
                             install::InstallationCoordinator& installationCoordinator,
                             catalog::AppSettingsStore& settingsStore,
                             platform::Workspace& workspace, ThumbnailCache& thumbnailCache,
                             QWidget* parent)
    : QWidget(parent), m_catalogService(catalogService), m_installedStore(installedStore),
      m_installationCoordinator(installationCoordinator), m_settingsStore(settingsStore),
      m_workspace(workspace), m_thumbnailCache(thumbnailCache) {
    setObjectName(QStringLiteral("installedView"));
    useDarkAppearance(this);
    // The detail pane's colour, so that the screen looks the same on its own.
    setAutoFillBackground(true);
    m_scrollArea = screenScrollArea(this, QStringLiteral("installedScrollArea"));

    const auto redraw = [this] { refresh(); };
    connect(&catalogService, &catalog::CatalogService::packagesChanged, this, redraw);
    connect(&installedStore, &catalog::InstalledPackageStore::installedByIDChanged, this, [this] {
        refresh();
        scanSharedFolder();
    });
    connect(&installationCoordinator, &install::InstallationCoordinator::activePackageIDsChanged,
            this, redraw);
    connect(&settingsStore.defaults(), &platform::UserDefaults::valueChanged, this,
            [this](const QString& key) {
                if (key == installedText::showAllDetailsKey) {
                    refresh();
                }
            });
    refresh();
}

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
    platform::whenFinished(*this, listing, [this, scan](const QSet<QString>& names) {
        if (scan == m_newestScan && names != m_sharedFolderNames) {
            m_sharedFolderNames = names;
            refresh();
        }
    });
}

void InstalledView::adoptAll() {
    ui::adoptAll(m_installedStore, m_catalogService.packages(), catalog::installFolderPath(),
                 QDateTime::currentDateTimeUtc());
}

void InstalledView::refresh() {
    replaceScrollContent(m_scrollArea, makeContent());
}

QWidget* InstalledView::makeContent() {
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("installedContent"));
    auto* centring = new QHBoxLayout(content);
    centring->setContentsMargins({});
    auto* columnWidget = new QWidget;
    columnWidget->setMaximumWidth(860);
    auto* stack = verticalLayout(columnWidget, 12, {20, 20, 20, 20});
    centring->addStretch(0);
    centring->addWidget(columnWidget, 1);
    centring->addStretch(0);
    if (const QList<FoundInstall> found = otherChannelInstalls(); !found.isEmpty()) {
        stack->addWidget(makeOtherChannelSection(found));
    }
    const QList<InstalledRow> rows =
        installedRows(m_installedStore.installedByID(), m_catalogService.packages());
    if (rows.isEmpty()) {
        auto* empty = new RoundedPanel(14, AppPalette::panel(), AppPalette::hairline());
        empty->setObjectName(QStringLiteral("installedEmptyState"));
        verticalLayout(empty, 0, {16, 16, 16, 16})
            ->addWidget(plainLabel(installedText::emptyState, 13, QFont::Normal,
                                   AppPalette::textSecondary(), true));
        stack->addWidget(empty);
    }
    const InstalledCardContext context{
        showAllDetails(), m_expandedPackageIDs, m_installationCoordinator.activePackageIDs(),
        [this](const QString& id) { return m_installedStore.isPresentOnDisk(id); }};
    for (const InstalledRow& row : rows) {
        stack->addWidget(makeRowCard(row, installedCard(row, context)));
    }
    stack->addStretch();
    return content;
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
        makeSelectable(path);
        lines->addWidget(path);
        stack->addWidget(entry);
    }
    return section;
}

QWidget* InstalledView::makeRowCard(const InstalledRow& row, const InstalledCard& card) {
    auto* panel = new RoundedPanel(14, AppPalette::panel(), AppPalette::hairline(), 0.5);
    panel->setObjectName(QStringLiteral("installedCard:") + card.id);
    auto* line = new QHBoxLayout(panel);
    line->setContentsMargins(14, 14, 14, 14);
    line->setSpacing(14);
    line->setAlignment(Qt::AlignTop);
    auto* thumbnail = new ThumbnailTile(m_thumbnailCache, row.catalog, card.title);
    thumbnail->setObjectName(QStringLiteral("installedThumbnail:") + card.id);
    line->addWidget(thumbnail, 0, Qt::AlignTop);
    auto* body = new QVBoxLayout;
    body->setSpacing(12);
    body->addWidget(makeHeader(row, card));
    if (card.expanded) {
        body->addWidget(makeDetails(card));
    }
    line->addLayout(body, 1);
    return panel;
}

QWidget* InstalledView::makeHeader(const InstalledRow& row, const InstalledCard& card) {
    auto* header = new QWidget;
    auto* line = new QHBoxLayout(header);
    line->setContentsMargins({});
    line->setSpacing(14);
    line->setAlignment(Qt::AlignTop);
    auto* title = new QHBoxLayout;
    title->setSpacing(8);
    title->setAlignment(Qt::AlignBaseline);
    auto* name = plainLabel(card.title, 17, QFont::DemiBold, AppPalette::textPrimary());
    name->setObjectName(QStringLiteral("installedTitle:") + card.id);
    title->addWidget(name, 0, Qt::AlignBaseline);
    title->addWidget(plainLabel(card.versionText, 14, QFont::Normal, AppPalette::textSecondary()),
                     0, Qt::AlignBaseline);
    line->addLayout(title);
    line->addStretch(1);
    line->addSpacing(12);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);

    auto* details = symbolButton(QStringLiteral("detailsButton:") + card.id, card.detailsSymbol,
                                 card.detailsHelp);
    details->setEnabled(card.detailsEnabled);
    connect(details, &QPushButton::clicked, this, [this, id = card.id] {
        m_expandedPackageIDs = toggledExpansion(m_expandedPackageIDs, id);
        refresh();
    });
    buttons->addWidget(details);

    auto* folder = symbolButton(QStringLiteral("folderButton:") + card.id, QStringLiteral("folder"),
                                card.folderHelp);
    connect(folder, &QPushButton::clicked, this,
            [this, paths = card.revealPaths] { reveal(paths); });
    buttons->addWidget(folder);

    if (card.showsRepair) {
        auto* repair =
            symbolButton(QStringLiteral("repairButton:") + card.id,
                         QStringLiteral("wrench.and.screwdriver"), installedText::repair);
        repair->setEnabled(card.operationsEnabled);
        connect(repair, &QPushButton::clicked, this,
                [this, package = *row.catalog] { m_installationCoordinator.install(package); });
        buttons->addWidget(repair);
    }

    auto* remove = symbolButton(QStringLiteral("removeButton:") + card.id, QStringLiteral("trash"),
                                installedText::remove);
    remove->setEnabled(card.operationsEnabled);
    connect(remove, &QPushButton::clicked, this,
            [this, id = card.id] { m_installationCoordinator.uninstall(id); });
    buttons->addWidget(remove);
    line->addLayout(buttons);
    return header;
}

QWidget* InstalledView::makeDetails(const InstalledCard& card) {
    auto* details = new QWidget;
    details->setObjectName(QStringLiteral("installedDetails:") + card.id);
    auto* stack = verticalLayout(details, 10);
    stack->addWidget(
        plainLabel(card.installedAtText, 14, QFont::Normal, AppPalette::textSecondary(), true));
    stack->addWidget(detailBlock(card.pluginFolder));
    for (const DetailBlock& block : card.templateBlocks) {
        stack->addWidget(detailBlock(block));
    }
    if (card.missingOnDiskMessage) {
        auto* missing =
            plainLabel(*card.missingOnDiskMessage, 11, QFont::Normal, platformRed(), true);
        missing->setObjectName(QStringLiteral("missingOnDisk:") + card.id);
        stack->addWidget(missing);
    }
    return details;
}

void InstalledView::reveal(const QStringList& paths) const {
    for (const QString& path : paths) {
        m_workspace.revealInFileViewer(path);
    }
}

} // namespace marlox::ui
