#pragma once

#include "catalog/CatalogManifest.h"
#include "ui/kit/CachedThumbnailView.h"
#include "ui/kit/RoundedCorners.h"
#include "ui/kit/StudioIcon.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <optional>

namespace marlox::ui {

class FittingLabel;
class ThumbnailCache;

// The glyph of a package's fallback tile: the library for a filter, the plug-in otherwise.
StudioGlyph fallbackGlyph(catalog::PackageType type);

// What stands in for a thumbnail while it loads, when it cannot be loaded and when there is
// none: the package's glyph over its name, centred.
class PackageFallbackTile : public QWidget {
    Q_OBJECT

public:
    explicit PackageFallbackTile(const catalog::PackageManifest& package,
                                 QWidget* parent = nullptr);

    void setPackage(const catalog::PackageManifest& package);
    StudioGlyph glyph() const;
    QString name() const;

private:
    // Both glyphs are made once and one is shown: an icon reads and parses its file again on
    // every change, and a reused tile changes packages often.
    StudioIcon* m_libraryIcon;
    StudioIcon* m_pluginIcon;
    FittingLabel* m_name;
};

// A package's thumbnail filling whatever frame it is given, on the thumbnail backdrop: the image
// from the package's thumbnail URL or bundled thumbnail, scaled by the mode, else the fallback
// tile. With an aspect ratio its height follows its width.
class PackageImageView : public QWidget {
    Q_OBJECT

public:
    using ScalingMode = CachedThumbnailView::ContentMode;

    PackageImageView(ThumbnailCache& thumbnailCache, ScalingMode scalingMode,
                     QWidget* parent = nullptr);

    // Looks the thumbnail up again; a view of another thumbnail or package starts afresh.
    void setPackage(const catalog::PackageManifest& package);
    // Width divided by height; none leaves the height to the layout.
    void setAspectRatio(std::optional<qreal> ratio);
    // Backdrop, image and tile are cut to the view's rectangle with these corners rounded.
    void setRoundedCorners(qreal radius, RoundedCorners corners = RoundedCorners::all);

    // The image view while the package has a thumbnail to load, else none.
    CachedThumbnailView* thumbnailView() const { return m_thumbnail; }
    // The tile on show (the image view's placeholder, or the tile itself), else none.
    PackageFallbackTile* shownFallbackTile() const;

    bool hasHeightForWidth() const override { return m_aspectRatio.has_value(); }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Shown {
        std::optional<QUrl> url;
        QString name;
        catalog::PackageType type;

        bool operator==(const Shown&) const = default;
    };

    ThumbnailCache& m_thumbnailCache;
    ScalingMode m_scalingMode;
    std::optional<qreal> m_aspectRatio;
    qreal m_cornerRadius = 0;
    RoundedCorners m_corners = RoundedCorners::all;
    std::optional<Shown> m_shown;
    QPointer<CachedThumbnailView> m_thumbnail;
    QPointer<PackageFallbackTile> m_tile;
};

} // namespace marlox::ui
