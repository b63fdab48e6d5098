#include "vector/SVGImage.h"

namespace marlox::vector {

SVGImage::SVGImage(double x, double y, double width, double height, int embeddingDepth,
                   SVGDocumentReader documentReader)
    : m_x(x), m_y(y), m_width(width), m_height(height), m_embeddingDepth(embeddingDepth),
      m_documentReader(std::move(documentReader)) {}

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

void SVGImage::readDocument(const QByteArray& bytes) {
    m_document = m_documentReader ? m_documentReader(bytes, m_embeddingDepth + 1) : nullptr;
}

SVGDataImage::SVGDataImage(double x, double y, double width, double height, QByteArray data,
                           int embeddingDepth, SVGDocumentReader documentReader)
    : SVGImage(x, y, width, height, embeddingDepth, std::move(documentReader)),
      m_data(std::move(data)) {
    readDocument(m_data);
}

void SVGDataImage::setData(QByteArray data) {
    // The document is read before the change is announced, so that a redraw finds it.
    readDocument(data);
    publish(m_data, std::move(data), &SVGDataImage::dataChanged);
}

SVGURLImage::SVGURLImage(double x, double y, double width, double height, QString src,
                         std::optional<QByteArray> data, int embeddingDepth,
                         SVGDocumentReader documentReader)
    : SVGImage(x, y, width, height, embeddingDepth, std::move(documentReader)),
      m_src(std::move(src)), m_data(std::move(data)) {
    if (m_data) {
        readDocument(*m_data);
    }
}

} // namespace marlox::vector
