#include "ui/plugins/LibraryView.h"

#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogService.h"
#include "catalog/InstalledPackageStore.h"
#include "install/InstallationCoordinator.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/ScreenParts.h"
#include "ui/plugins/LibraryControls.h"
#include "ui/plugins/LibraryPresentation.h"
#include "ui/plugins/PackageCardGrid.h"
#include "ui/plugins/PackageDetailSheet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace marlox::ui {

using catalog::PackageManifest;

namespace {

// How many entries of the package's id the catalog lists before this one.
qsizetype occurrenceOf(const QList<PackageManifest>& packages, const PackageManifest& package) {
    qsizetype before = 0;
    for (const PackageManifest& listed : packages) {
        if (listed == package) {
            return before;
        }
        before += listed.id == package.id ? 1 : 0;
    }
    return 0;
}

// The catalog's entry of that id at that place among the entries of the id, as it stands now.
std::optional<PackageManifest> entryAt(const QList<PackageManifest>& packages, const QString& id,
                                       qsizetype occurrence) {
    for (const PackageManifest& listed : packages) {
        if (listed.id == id && occurrence-- == 0) {
            return listed;
        }
    }
    return std::nullopt;
}

} // namespace

LibraryView::LibraryView(catalog::AppSettingsStore& settingsStore,
                         catalog::CatalogService& catalogService,
                         catalog::InstalledPackageStore& installedStore,
                         install::InstallationCoordinator& installationCoordinator,
                         ThumbnailCache& thumbnailCache, QWidget* parent)
    : QWidget(parent), m_settingsStore(settingsStore), m_catalogService(catalogService),
      m_installedStore(installedStore), m_installationCoordinator(installationCoordinator),
      m_thumbnailCache(thumbnailCache) {
    setObjectName(QStringLiteral("libraryView"));
    setWindowTitle(QStringLiteral("Plugins"));
    useDarkAppearance(this);
    m_grid = new PackageCardGrid(thumbnailCache);

    auto* content = verticalLayout(this, 14, QMargins(0, 14, 0, 0));
    content->addWidget(makeHeader());
    content->addWidget(makeFilterControls());
    auto* cardArea = verticalLayout(nullptr, 0, QMargins(20, 0, 20, 20));
    cardArea->addWidget(m_grid);
    content->addLayout(cardArea, 1);

    connect(m_grid, &PackageCardGrid::installRequested, &m_installationCoordinator,
            &install::InstallationCoordinator::install);
    connect(m_grid, &PackageCardGrid::detailsRequested, this, &LibraryView::showDetails);
    connectServices();
    refresh();
}

LibraryView::~LibraryView() {
    // The sheet lies over the window, outside this screen, and goes with it.
    delete m_sheet;
}

PackageDetailSheet* LibraryView::detailSheet() const {
    return m_sheet;
}

QWidget* LibraryView::makeHeader() {
    auto* header = new QWidget;
    auto* layout = horizontalLayout(header, 12, QMargins(20, 0, 20, 0));
    QLabel* title = plainLabel(QStringLiteral("Plugins"), 32, QFont::DemiBold, Qt::white);
    title->setObjectName(QStringLiteral("screenTitle"));
    m_countBadge = new AppCountBadge(QStringLiteral("0"), AppPillTone::accent);
    m_countBadge->setObjectName(QStringLiteral("resultCount"));
    m_searchBox = new LibrarySearchBox;
    layout->addWidget(title, 0, Qt::AlignVCenter);
    layout->addWidget(m_countBadge, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    layout->addWidget(m_searchBox, 0, Qt::AlignVCenter);
    connect(m_searchBox->field(), &QLineEdit::textChanged, this, [this](const QString& text) {
        m_filters.query = text;
        refresh();
    });
    return header;
}

QWidget* LibraryView::makeFilterControls() {
    auto* controls = new QWidget;
    auto* rows = verticalLayout(controls, 11, QMargins(20, 0, 20, 0));

    m_typePicker = new PluginTypePicker;
    m_displayModePicker = new DisplayModePicker;
    auto* firstRow = horizontalLayout(nullptr, 12);
    firstRow->addWidget(m_typePicker, 1);
    firstRow->addSpacerItem(new QSpacerItem(12, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    firstRow->addWidget(m_displayModePicker);
    rows->addLayout(firstRow);

    m_filterPills = new LibraryFilterPills;
    // On a narrow window the pills scroll sideways; the category menu keeps its width.
    auto* pillScroller = new QScrollArea;
    pillScroller->setObjectName(QStringLiteral("filterPillScroller"));
    pillScroller->setFrameShape(QFrame::NoFrame);
    pillScroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pillScroller->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pillScroller->setWidgetResizable(true);
    pillScroller->setWidget(m_filterPills);
    pillScroller->viewport()->setAutoFillBackground(false);
    m_filterPills->setAutoFillBackground(false);
    pillScroller->setFixedHeight(m_filterPills->sizeHint().height());
    m_categoryMenu = new CategoryMenu;
    auto* secondRow = horizontalLayout(nullptr, 12);
    secondRow->addWidget(pillScroller, 1);
    secondRow->addSpacing(12);
    secondRow->addWidget(m_categoryMenu);
    rows->addLayout(secondRow);

    connect(m_typePicker, &PluginTypePicker::chosen, this, [this](PluginTypeFilter filter) {
        m_filters.typeFilter = filter;
        refresh();
    });
    connect(m_filterPills, &LibraryFilterPills::chosen, this, [this](LibraryFilter filter) {
        m_filters.filter = filter;
        refresh();
    });
    connect(m_categoryMenu, &CategoryMenu::chosen, this, [this](const QString& category) {
        m_filters.category = category;
        refresh();
    });
    connect(m_displayModePicker, &DisplayModePicker::chosen, &m_settingsStore,
            &catalog::AppSettingsStore::setLibraryDisplayMode);
    return controls;
}

void LibraryView::connectServices() {
    connect(&m_catalogService, &catalog::CatalogService::packagesChanged, this,
            &LibraryView::refresh);
    connect(&m_installedStore, &catalog::InstalledPackageStore::installedByIDChanged, this,
            &LibraryView::refresh);
    connect(&m_installationCoordinator, &install::InstallationCoordinator::activePackageIDsChanged,
            this, &LibraryView::refresh);
    connect(&m_installationCoordinator, &install::InstallationCoordinator::statusMessageByIDChanged,
            this, &LibraryView::refresh);
    connect(&m_settingsStore, &catalog::AppSettingsStore::libraryDisplayModeChanged, this,
            &LibraryView::refresh);
}

void LibraryView::refresh() {
    const QList<PackageManifest>& packages = m_catalogService.packages();
    const QStringList categories = availableCategories(packages);
    // Only a change of the menu's entries resets the selection, never the first showing.
    if (m_categories && *m_categories != categories) {
        m_filters.category = resetMissingCategory(m_filters.category, categories);
    }
    m_categories = categories;
    QList<PackageManifest> shown =
        filteredPackages(packages, m_installedStore.installedByID(), m_filters);

    m_countBadge->setTitle(QString::number(shown.size()));
    m_typePicker->setSelected(m_filters.typeFilter);
    m_filterPills->setSelected(m_filters.filter);
    m_categoryMenu->setCategories(categories, m_filters.category);
    const catalog::LibraryDisplayMode mode = m_settingsStore.libraryDisplayMode();
    m_displayModePicker->setSelected(mode);
    m_grid->setContent(mode, std::move(shown),
                       [this](const PackageManifest& package) { return cardValues(package); });
    refreshDetailSheet();
}

PackageCardValues LibraryView::cardValues(const PackageManifest& package) const {
    return {package, cardSummary(package), cardState(package, m_installedStore.installedByID()),
            m_installationCoordinator.activePackageIDs().contains(package.id)};
}

void LibraryView::showDetails(const PackageManifest& package) {
    m_selectedForDetails = package;
    m_selectedOccurrence = occurrenceOf(m_catalogService.packages(), package);
    if (!m_sheet) {
        m_sheet = new PackageDetailSheet(m_thumbnailCache, this);
        connect(m_sheet, &PackageDetailSheet::installRequested, this, [this] {
            // A copy: the install's first signals refresh the selection.
            if (const auto package = m_selectedForDetails) {
                m_installationCoordinator.install(*package);
            }
        });
        // However the sheet closes, nothing stays selected.
        connect(m_sheet, &SheetLayer::dismissed, this, [this] {
            m_selectedForDetails.reset();
            m_sheet->deleteLater();
            m_sheet.clear();
        });
    }
    refreshDetailSheet();
    m_sheet->open();
}

void LibraryView::refreshDetailSheet() {
    if (!m_sheet || !m_selectedForDetails) {
        return;
    }
    if (auto current =
            entryAt(m_catalogService.packages(), m_selectedForDetails->id, m_selectedOccurrence)) {
        m_selectedForDetails = std::move(current);
    }
    const QMap<QString, QString>& statuses = m_installationCoordinator.statusMessageByID();
    const auto status = statuses.constFind(m_selectedForDetails->id);
    m_sheet->setValues(cardValues(*m_selectedForDetails),
                       status == statuses.cend() ? std::nullopt : std::optional(*status));
}

void LibraryView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintAppSectionBackground(painter, rect());
}

} // namespace marlox::ui
