#include "InstalledCardView.h"

#include "ui/kit/AppFont.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/CachedThumbnailView.h"
#include "ui/kit/StudioIcon.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/shared/PackageImageView.h"
#include "ui/shared/ThumbnailLookup.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace marlox::ui {

using catalog::PackageManifest;

namespace {

// A path or other value under a small title; long values wrap instead of being cut.
QWidget* detailBlock(const DetailBlock& block) {
    auto* widget = new QWidget;
    auto* stack = verticalLayout(widget, 4);
    stack->addWidget(plainLabel(block.title, 11, QFont::DemiBold, AppPalette::textSecondary()));
    auto* value = plainLabel(block.value, 11, QFont::Normal, AppPalette::textSecondary(), true);
    value->setSelectable(true);
    stack->addWidget(value);
    return widget;
}

QWidget* makeDetails(const InstalledCard& card) {
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

bool sameDetails(const InstalledCard& shown, const InstalledCard& card) {
    return shown.installedAtText == card.installedAtText &&
           shown.pluginFolder == card.pluginFolder && shown.templateBlocks == card.templateBlocks &&
           shown.missingOnDiskMessage == card.missingOnDiskMessage;
}

// A bordered button showing only a platform symbol; its symbol and help come with the card.
QPushButton* symbolButton(const QString& objectName) {
    auto* button = new QPushButton;
    button->setObjectName(objectName);
    button->setIconSize(QSize(14, 14));
    return button;
}

void setHelp(QPushButton& button, const QString& help) {
    button.setToolTip(help);
    button.setAccessibleName(help);
}

// The glyph and title shown when a package has no picture.
QWidget* fallbackTile(StudioGlyph glyph, const QString& title) {
    auto* tile = new QWidget;
    auto* stack = verticalLayout(tile, 6, {6, 0, 6, 0});
    stack->setAlignment(Qt::AlignCenter);
    stack->addWidget(new StudioIcon(glyph, 18, withOpacity(Qt::white, 0.85), 1.85), 0,
                     Qt::AlignHCenter);
    stack->addWidget(
        new FittingLabel(title, appFont(9, QFont::DemiBold), withOpacity(Qt::white, 0.78), 1), 0,
        Qt::AlignHCenter);
    return tile;
}

InstalledThumbnailSource thumbnailSource(const std::optional<PackageManifest>& catalog,
                                         const QString& title) {
    if (!catalog) {
        return {std::nullopt, title};
    }
    PackageManifest shown;
    shown.type = catalog->type;
    shown.thumbnailURL = catalog->thumbnailURL;
    shown.thumbnailName = catalog->thumbnailName;
    return {shown, title};
}

constexpr qreal tileRadius = 10;

// The 72 by 48 tile at the left of a card, with its thin outline over the picture. It rounds its
// own corners: a clipping effect would draw it offscreen and walk the whole screen at each paint.
class ThumbnailTile : public QWidget {
public:
    ThumbnailTile(ThumbnailCache& cache, const InstalledThumbnailSource& source) {
        setFixedSize(72, 48);
        auto* stack = verticalLayout(this, 0);
        const auto& package = source.package;
        // A record the catalog no longer lists shows the plug-in's glyph.
        const StudioGlyph glyph =
            fallbackGlyph(package ? package->type : catalog::PackageType::generator);
        const QString title = source.title;
        const auto url = package ? resolvedThumbnailURL(*package) : std::nullopt;
        if (url) {
            auto* image =
                new CachedThumbnailView(cache, *url, CachedThumbnailView::ContentMode::fit,
                                        [=] { return fallbackTile(glyph, title); });
            image->setRoundedCorners(tileRadius);
            stack->addWidget(image);
        } else {
            stack->addWidget(fallbackTile(glyph, title));
        }
        m_outline =
            new TileOutline(tileRadius, withOpacity(AppPalette::hairline(), 0.7), 0.5, this);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(roundedRectPath(QRectF(rect()), tileRadius), AppPalette::panelHighlight());
    }
    void resizeEvent(QResizeEvent*) override { m_outline->setGeometry(rect()); }

private:
    TileOutline* m_outline = nullptr;
};

} // namespace

const QIcon& SymbolButtonIcons::icon(const QString& symbol) {
    const auto known = m_icons.constFind(symbol);
    if (known != m_icons.constEnd()) {
        return *known;
    }
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
    return *m_icons.insert(symbol, icon);
}

InstalledCardView::InstalledCardView(const InstalledRow& row, const InstalledCard& card,
                                     ThumbnailCache& thumbnailCache, SymbolButtonIcons& icons,
                                     QWidget* parent)
    : RoundedPanel(14, AppPalette::panel(), AppPalette::hairline(), 0.5, parent), m_row(row),
      m_thumbnailCache(thumbnailCache), m_icons(icons) {
    setObjectName(QStringLiteral("installedCard:") + card.id);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(14, 14, 14, 14);
    line->setSpacing(14);
    line->setAlignment(Qt::AlignTop);
    m_body = new QVBoxLayout;
    m_body->setSpacing(12);
    line->addLayout(m_body, 1);

    auto* header = new QWidget;
    auto* headerLine = new QHBoxLayout(header);
    headerLine->setContentsMargins({});
    headerLine->setSpacing(14);
    headerLine->setAlignment(Qt::AlignTop);
    auto* title = new QHBoxLayout;
    title->setSpacing(8);
    // A long name wraps and shows whole: nothing else on the card or in its details names the
    // package. The header's spacer gives way before the title wraps.
    m_title = plainLabel({}, 17, QFont::DemiBold, AppPalette::textPrimary(), true);
    m_title->setPreferredWidthLimit(QWIDGETSIZE_MAX);
    m_title->setObjectName(QStringLiteral("installedTitle:") + card.id);
    addSharingRoom(title, m_title);
    m_version = plainLabel({}, 14, QFont::Normal, AppPalette::textSecondary(), true);
    m_version->setObjectName(QStringLiteral("installedVersion:") + card.id);
    // The version stands level with the title's first line.
    addSharingRoom(title, m_version, dropToFirstLine(*m_title, m_version->firstBaseline()));
    headerLine->addLayout(title);
    headerLine->addStretch(1);
    headerLine->addSpacing(12);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    m_detailsButton = symbolButton(QStringLiteral("detailsButton:") + card.id);
    connect(m_detailsButton, &QPushButton::clicked, this, [this] {
        const QString id = m_card.id;
        emit detailsToggled(id);
    });
    m_folderButton = symbolButton(QStringLiteral("folderButton:") + card.id);
    setSymbol(*m_folderButton, QStringLiteral("folder"));
    connect(m_folderButton, &QPushButton::clicked, this, [this] {
        const QStringList paths = m_card.revealPaths;
        emit revealRequested(paths);
    });
    m_repairButton = symbolButton(QStringLiteral("repairButton:") + card.id);
    setSymbol(*m_repairButton, QStringLiteral("wrench.and.screwdriver"));
    setHelp(*m_repairButton, installedText::repair);
    connect(m_repairButton, &QPushButton::clicked, this, [this] {
        if (m_row.catalog) {
            const PackageManifest package = *m_row.catalog;
            emit repairRequested(package);
        }
    });
    m_removeButton = symbolButton(QStringLiteral("removeButton:") + card.id);
    setSymbol(*m_removeButton, QStringLiteral("trash"));
    setHelp(*m_removeButton, installedText::remove);
    connect(m_removeButton, &QPushButton::clicked, this, [this] {
        const QString id = m_card.id;
        emit removeRequested(id);
    });
    for (QPushButton* button : {m_detailsButton, m_folderButton, m_repairButton, m_removeButton}) {
        buttons->addWidget(button);
    }
    buttons->setAlignment(Qt::AlignTop);
    headerLine->addLayout(buttons);
    m_body->addWidget(header);

    setCard(row, card);
}

void InstalledCardView::setCard(const InstalledRow& row, const InstalledCard& card) {
    setThumbnail(row, card.title);
    m_row = row;
    if (card == m_card) {
        return;
    }
    m_title->setText(card.title);
    m_version->setText(card.versionText);
    if (card.detailsSymbol != m_card.detailsSymbol) {
        setSymbol(*m_detailsButton, card.detailsSymbol);
    }
    setHelp(*m_detailsButton, card.detailsHelp);
    m_detailsButton->setEnabled(card.detailsEnabled);
    setHelp(*m_folderButton, card.folderHelp);
    m_repairButton->setVisible(card.showsRepair);
    m_repairButton->setEnabled(card.operationsEnabled);
    m_removeButton->setEnabled(card.operationsEnabled);
    setDetails(card);
    m_card = card;
}

void InstalledCardView::setSymbol(QPushButton& button, const QString& symbol) {
    button.setIcon(m_icons.icon(symbol));
    button.setProperty("symbol", symbol);
}

void InstalledCardView::setThumbnail(const InstalledRow& row, const QString& title) {
    const InstalledThumbnailSource source = thumbnailSource(row.catalog, title);
    if (m_thumbnail && source == m_thumbnailSource) {
        return;
    }
    auto* thumbnail = new ThumbnailTile(m_thumbnailCache, source);
    thumbnail->setObjectName(QStringLiteral("installedThumbnail:") + row.installed.id);
    if (m_thumbnail) {
        delete layout()->replaceWidget(m_thumbnail, thumbnail);
        delete m_thumbnail;
        thumbnail->show();
    } else {
        static_cast<QHBoxLayout*>(layout())->insertWidget(0, thumbnail, 0, Qt::AlignTop);
    }
    m_thumbnail = thumbnail;
    m_thumbnailSource = source;
}

void InstalledCardView::setDetails(const InstalledCard& card) {
    if (!card.expanded) {
        delete m_details;
        m_details = nullptr;
        return;
    }
    if (m_details && m_card.expanded && sameDetails(m_card, card)) {
        return;
    }
    auto* details = makeDetails(card);
    if (m_details) {
        delete m_body->replaceWidget(m_details, details);
        delete m_details;
    } else {
        m_body->addWidget(details);
    }
    // A widget joining a card on show waits for the event loop to show it otherwise.
    details->show();
    m_details = details;
}

} // namespace marlox::ui
