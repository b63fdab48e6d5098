#include "ui/kit/CachedThumbnailView.h"

#include "platform/Continuation.h"
#include "ui/kit/ScreenParts.h"
#include "ui/kit/ThumbnailCache.h"

#include <QPainter>

#include <optional>

namespace marlox::ui {

CachedThumbnailView::CachedThumbnailView(ThumbnailCache& cache, const QUrl& url,
                                         ContentMode contentMode, PlaceholderFactory placeholder,
                                         QWidget* parent)
    : QWidget(parent), m_cache(cache), m_url(url), m_contentMode(contentMode),
      m_makePlaceholder(std::move(placeholder)), m_image(cache.memoryCache().image(url)),
      m_imageIsCurrent(!m_image.isNull()) {
    updatePlaceholder();
}

void CachedThumbnailView::setUrl(const QUrl& url) {
    if (url == m_url) {
        return;
    }
    m_url = url;
    m_imageIsCurrent = false;
    if (const QImage known = m_cache.memoryCache().image(url); !known.isNull()) {
        m_imageIsCurrent = true;
        setImage(known);
    } else if (isVisible()) {
        loadIfNeeded();
    }
}

void CachedThumbnailView::setRoundedCorners(qreal radius, RoundedCorners corners) {
    m_cornerRadius = radius;
    m_corners = corners;
    update();
}

void CachedThumbnailView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    loadIfNeeded();
}

void CachedThumbnailView::loadIfNeeded() {
    if (m_imageIsCurrent) {
        return;
    }
    // A view gone by then hears nothing; the download goes on for the cache's sake all the same.
    // A download the cache cancelled (its folder being cleared, from any window) answers nothing:
    // the view asks again, which downloads it anew.
    const QFuture<std::optional<QImage>> answer =
        m_cache.image(m_url)
            .then([](const QImage& image) { return std::optional<QImage>(image); })
            .onCanceled([] { return std::optional<QImage>(); });
    platform::continueOn(*this, answer, [this, url = m_url](const std::optional<QImage>& image) {
        if (image) {
            answerArrived(url, *image);
        } else if (url == m_url && isVisible()) {
            loadIfNeeded();
        }
    });
}

void CachedThumbnailView::answerArrived(const QUrl& url, const QImage& image) {
    // An answer for a URL the view no longer shows must not replace the current one's image, and
    // a failed repeat must not take away an image already shown for this URL.
    if (url != m_url || (image.isNull() && m_imageIsCurrent)) {
        return;
    }
    m_imageIsCurrent = !image.isNull();
    setImage(image);
}

void CachedThumbnailView::setImage(const QImage& image) {
    m_image = image;
    updatePlaceholder();
    update();
    emit imageChanged();
}

void CachedThumbnailView::updatePlaceholder() {
    if (!m_image.isNull()) {
        delete m_placeholder;
        return;
    }
    if (m_placeholder || !m_makePlaceholder) {
        return;
    }
    m_placeholder = m_makePlaceholder();
    if (m_placeholder) {
        m_placeholder->setParent(this);
        placeCentred(*m_placeholder, rect());
        m_placeholder->show();
    }
}

void CachedThumbnailView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_placeholder) {
        placeCentred(*m_placeholder, rect());
    }
}

void CachedThumbnailView::paintEvent(QPaintEvent*) {
    if (m_image.isNull() || m_image.width() <= 0 || m_image.height() <= 0) {
        return;
    }
    const QSizeF imageSize = m_image.deviceIndependentSize();
    const QSizeF space = size();
    QSizeF drawn =
        imageSize.scaled(space, m_contentMode == ContentMode::fit ? Qt::KeepAspectRatio
                                                                  : Qt::KeepAspectRatioByExpanding);
    const QRectF target(
        QPointF((space.width() - drawn.width()) / 2, (space.height() - drawn.height()) / 2), drawn);
    QPainter painter(this);
    if (m_cornerRadius > 0) {
        fillShapeWithImage(painter, roundedCornersPath(rect(), m_cornerRadius, m_corners), m_image,
                           target);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_image);
}

} // namespace marlox::ui
