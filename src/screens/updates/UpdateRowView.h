#pragma once

#include "catalog/CatalogManifest.h"
#include "screens/shared/ScreenLayout.h"
#include "screens/updates/PackageUpdates.h"
#include "ui/kit/ScreenParts.h"

#include <QUrl>
#include <QWidget>

#include <optional>

class QLabel;

namespace marlox::ui {
class AppPillButton;
class AppPillLabel;
class ThumbnailCache;
} // namespace marlox::ui

namespace marlox::screens {

// A package's thumbnail in a 96 by 64 tile with rounded corners: the image fitted onto the tile
// colour, or the package kind's glyph while there is none.
class UpdateThumbnailView final : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize tileSize{96, 64};
    static constexpr qreal cornerRadius = 10;

    UpdateThumbnailView(const catalog::PackageManifest& package, ui::ThumbnailCache& cache,
                        QWidget* parent = nullptr);

    const std::optional<QUrl>& address() const { return m_address; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::optional<QUrl> m_address;
    QWidget* m_content = nullptr;
    QWidget* m_frame = nullptr;
};

// One package of the Updates screen: thumbnail, name, installed and latest version, description,
// and the "Release Notes" and "Update" buttons.
class UpdateRowView final : public ui::RoundedPanel {
    Q_OBJECT

public:
    UpdateRowView(const UpdateRow& row, ui::ThumbnailCache& cache, QWidget* parent = nullptr);

    const UpdateRow& row() const { return m_row; }
    void setRow(const UpdateRow& row);

    ui::AppPillButton& releaseNotesButton() const { return *m_releaseNotes; }
    ui::AppPillButton& updateButton() const { return *m_update; }

private:
    UpdateRow m_row;
    ui::ThumbnailCache& m_cache;
    UpdateThumbnailView* m_thumbnail = nullptr;
    ui::FittingLabel* m_name = nullptr;
    ui::AppPillLabel* m_installed = nullptr;
    ui::AppPillLabel* m_latest = nullptr;
    ui::FittingLabel* m_description = nullptr;
    ui::AppPillButton* m_releaseNotes = nullptr;
    ui::AppPillButton* m_update = nullptr;
};

} // namespace marlox::screens
