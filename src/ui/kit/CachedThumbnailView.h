#pragma once

#include "ui/kit/RoundedCorners.h"

#include <QImage>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

namespace marlox::ui {

class ThumbnailCache;

// A package thumbnail: the image at a URL, fitted into the view, or a placeholder of the caller's
// while no image is at hand.
//
// An image the memory cache already holds shows from the first frame and no placeholder is built.
// Otherwise the view asks the thumbnail cache each time it is shown; the answer replaces the
// placeholder (a null answer leaves it), and a download the cache cancelled is asked for again at
// once while the view shows. Once the view holds an image it asks no more for that URL. Given a
// new URL, it shows the new URL's image at once when memory holds it, else keeps the old image
// until the new answer arrives; an answer for a URL it no longer shows is dropped.
//
// The view adds no frame, background or animation: callers size it themselves. It clips the image
// only to rounded corners when asked to, with smooth edges that clipping its widget cannot give.
class CachedThumbnailView : public QWidget {
    Q_OBJECT

public:
    enum class ContentMode {
        fit,  // the whole image inside the view, empty bands where the aspect differs
        fill, // the image covers the view; what overflows is cut at the view's edge
    };
    // Builds the placeholder widget; called only while no image is held.
    using PlaceholderFactory = std::function<QWidget*()>;

    CachedThumbnailView(ThumbnailCache& cache, const QUrl& url, ContentMode contentMode,
                        PlaceholderFactory placeholder, QWidget* parent = nullptr);

    const QUrl& url() const { return m_url; }
    ContentMode contentMode() const { return m_contentMode; }
    // The image shown; null while the placeholder shows.
    const QImage& image() const { return m_image; }
    // The placeholder widget while it shows, else none.
    QWidget* placeholder() const { return m_placeholder; }

    void setUrl(const QUrl& url);
    // The image is cut to the view's rectangle with these corners rounded; radius 0 cuts nothing.
    void setRoundedCorners(qreal radius, RoundedCorners corners = RoundedCorners::all);

signals:
    // The shown image changed (the placeholder took its place when it is null).
    void imageChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void loadIfNeeded();
    void answerArrived(const QUrl& url, const QImage& image);
    void setImage(const QImage& image);
    void updatePlaceholder();

    ThumbnailCache& m_cache;
    QUrl m_url;
    ContentMode m_contentMode;
    PlaceholderFactory m_makePlaceholder;
    QImage m_image;
    QPointer<QWidget> m_placeholder;
    // Whether m_image is the image of m_url, not one kept from an earlier URL.
    bool m_imageIsCurrent = false;
    qreal m_cornerRadius = 0;
    RoundedCorners m_corners = RoundedCorners::all;
};

} // namespace marlox::ui
