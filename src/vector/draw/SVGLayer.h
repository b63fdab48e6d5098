#pragma once

#include "vector/SVGGeometry.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRect>
#include <QSizeF>

#include <optional>

namespace marlox::vector::drawing {

// The device's size in its own pixels: images and pixmaps count them, widgets count logical ones.
inline QSizeF pixelSize(const QPaintDevice& device) {
    const QSizeF size(device.width(), device.height());
    const bool countsPixels =
        device.devType() == QInternal::Image || device.devType() == QInternal::Pixmap;
    return countsPixels ? size : size * device.devicePixelRatio();
}

// An offscreen image covering what a painter can still draw on, in the device's pixels, painted
// in the same coordinates and then composited back onto it.
class Layer {
public:
    // As large as all the target can still draw on.
    explicit Layer(QPainter& target) : Layer(target, std::nullopt) {}

    // Only as large as the extent, in the target's current coordinates, of what will be drawn;
    // nothing at all for the null rectangle.
    Layer(QPainter& target, const QRectF& extent) : Layer(target, std::optional<QRectF>(extent)) {}

    bool isEmpty() const { return m_image.isNull(); }
    QPainter& painter() { return m_painter; }

    // Keeps only what the mask covers, in proportion to its coverage. The mask covers this
    // layer's whole image.
    void maskWith(Layer& mask) {
        m_painter.save();
        m_painter.resetTransform();
        if (mask.isEmpty()) {
            m_painter.setCompositionMode(QPainter::CompositionMode_Clear);
            m_painter.fillRect(m_image.rect(), Qt::transparent);
        } else {
            mask.m_painter.end();
            m_painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            m_painter.drawImage(QPointF(0, 0), mask.m_image);
        }
        m_painter.restore();
    }

    void compositeInto(QPainter& target, double opacity) {
        m_painter.end();
        // Without a transform the target still scales by its pixel ratio; so does the image.
        m_image.setDevicePixelRatio(m_ratio);
        target.save();
        target.resetTransform();
        target.setOpacity(target.opacity() * opacity);
        target.drawImage(QPointF(m_area.topLeft()) / m_ratio, m_image);
        target.restore();
    }

private:
    Layer(QPainter& target, const std::optional<QRectF>& extent)
        : m_ratio(target.device()->devicePixelRatio()) {
        if (extent && isNullRect(*extent)) {
            return;
        }
        // The combined transform maps to device pixels, the pixel ratio included.
        const QTransform toPixels = target.combinedTransform();
        QRectF area(QPointF(0, 0), pixelSize(*target.device()));
        if (target.hasClipping()) {
            area &= toPixels.mapRect(target.clipBoundingRect());
        }
        if (extent) {
            // Antialiasing may touch the pixels around; an extent out of range bounds nothing.
            const QRectF covered = toPixels.mapRect(*extent).adjusted(-1, -1, 1, 1);
            if (isFinite(covered)) {
                area &= covered;
            }
        }
        m_area = area.toAlignedRect();
        if (m_area.isEmpty()) {
            return;
        }
        m_image = QImage(m_area.size(), QImage::Format_ARGB32_Premultiplied);
        m_image.fill(Qt::transparent);
        m_painter.begin(&m_image);
        m_painter.setRenderHints(target.renderHints());
        m_painter.setTransform(toPixels * QTransform::fromTranslate(-m_area.x(), -m_area.y()));
    }

    double m_ratio = 1;
    QRect m_area;
    QImage m_image;
    QPainter m_painter;
};

} // namespace marlox::vector::drawing
