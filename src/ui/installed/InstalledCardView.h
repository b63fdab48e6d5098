#pragma once

#include "ui/installed/InstalledRows.h"
#include "ui/kit/ScreenParts.h"

#include <QHash>
#include <QIcon>

#include <optional>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace marlox::ui {

class ThumbnailCache;

// What a card's tile is drawn from: of the catalog package, if any, only what the tile shows (its
// type and picture), and the title under the glyph. Compared rather than the thumbnail's resolved
// address, which looks in the bundle, and rather than the whole package, whose version, notes and
// links change no tile.
struct InstalledThumbnailSource {
    std::optional<catalog::PackageManifest> package;
    QString title;

    bool operator==(const InstalledThumbnailSource&) const = default;
};

// The pictures of the cards' symbol buttons, drawn once per screen rather than for each card.
class SymbolButtonIcons {
public:
    const QIcon& icon(const QString& symbol);

private:
    QHash<QString, QIcon> m_icons;
};

// One record's card on the Installed screen: its tile, title and version, the details, folder,
// repair and remove buttons, and its details while expanded. A card is kept while its record is
// listed and changes only the parts whose values changed.
class InstalledCardView final : public RoundedPanel {
    Q_OBJECT

public:
    InstalledCardView(const InstalledRow& row, const InstalledCard& card,
                      ThumbnailCache& thumbnailCache, SymbolButtonIcons& icons,
                      QWidget* parent = nullptr);

    const InstalledRow& row() const { return m_row; }
    const InstalledCard& card() const { return m_card; }
    void setCard(const InstalledRow& row, const InstalledCard& card);

signals:
    void detailsToggled(const QString& id);
    void revealRequested(const QStringList& paths);
    // A copy of the catalog package: the repair's first signals may change the card.
    void repairRequested(const catalog::PackageManifest& package);
    void removeRequested(const QString& id);

private:
    void setSymbol(QPushButton& button, const QString& symbol);
    void setThumbnail(const InstalledRow& row, const QString& title);
    void setDetails(const InstalledCard& card);

    InstalledRow m_row;
    InstalledCard m_card;
    ThumbnailCache& m_thumbnailCache;
    SymbolButtonIcons& m_icons;
    InstalledThumbnailSource m_thumbnailSource;

    QWidget* m_thumbnail = nullptr;
    FittingLabel* m_title = nullptr;
    FittingLabel* m_version = nullptr;
    QPushButton* m_detailsButton = nullptr;
    QPushButton* m_folderButton = nullptr;
    QPushButton* m_repairButton = nullptr;
    QPushButton* m_removeButton = nullptr;
    QVBoxLayout* m_body = nullptr;
    QWidget* m_details = nullptr;
};

} // namespace marlox::ui
