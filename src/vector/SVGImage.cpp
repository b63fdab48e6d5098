#include "vector/SVGImage.h"

namespace marlox::vector {

SVGImage::SVGImage(double x, double y, double width, double height)
    : m_x(x), m_y(y), m_width(width), m_height(height) {}

void SVGImage::setX(double x) {
    publish(m_x, x, &SVGImage::xChanged);
}
void SVGImage::setY(double y) {
    publish(m_y, y, &SVGImage::yChanged);
}
void SVGImage::setWidth(double width) {
    publish(m_width, width, &SVGImage::widthChanged);
}
void SVGImage::setHeight(double height) {
    publish(m_height, height, &SVGImage::heightChanged);
}

QRectF SVGImage::frame() const {
    return QRectF(m_x, m_y, m_width, m_height);
}

SVGDataImage::SVGDataImage(double x, double y, double width, double height, QByteArray data)
    : SVGImage(x, y, width, height), m_data(std::move(data)) {}

void SVGDataImage::setData(QByteArray data) {
    publish(m_data, std::move(data), &SVGDataImage::dataChanged);
}

SVGURLImage::SVGURLImage(double x, double y, double width, double height, QString src,
                         std::optional<QByteArray> data)
    : SVGImage(x, y, width, height), m_src(std::move(src)), m_data(std::move(data)) {}

} // namespace marlox::vector
