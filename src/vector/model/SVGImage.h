#pragma once

#include "vector/SVGNode.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace marlox::vector {

// Reads the document that an image's bytes hold when they are markup; `embeddingDepth` counts
// the images it lies within, the one holding it included. Nothing for other bytes. The parser
// hands one to the images it makes, so that the node model needs no parser of its own.
using SVGDocumentReader =
    std::function<std::shared_ptr<const SVGNode>(const QByteArray& bytes, int embeddingDepth)>;

// An image placed in the rectangle (x, y, width, height): raster bytes, or markup read as a
// document of its own by the image's document reader.
class SVGImage : public SVGNode {
    Q_OBJECT
    Q_PROPERTY(double x READ x WRITE setX NOTIFY xChanged)
    Q_PROPERTY(double y READ y WRITE setY NOTIFY yChanged)
    Q_PROPERTY(double width READ width WRITE setWidth NOTIFY widthChanged)
    Q_PROPERTY(double height READ height WRITE setHeight NOTIFY heightChanged)

public:
    double x() const { return m_x; }
    void setX(double x);
    double y() const { return m_y; }
    void setY(double y);
    double width() const { return m_width; }
    void setWidth(double width);
    double height() const { return m_height; }
    void setHeight(double height);

    // The placement rectangle.
    QRectF frame() const override;

    // The document the bytes hold when they are markup, read once when they are set; none for
    // other bytes, and none without a document reader.
    const std::shared_ptr<const SVGNode>& document() const { return m_document; }

signals:
    void xChanged();
    void yChanged();
    void widthChanged();
    void heightChanged();

protected:
    // `embeddingDepth` counts the images the node lies within; its own document lies within
    // one more.
    SVGImage(double x, double y, double width, double height, int embeddingDepth,
             SVGDocumentReader documentReader);

    void readDocument(const QByteArray& bytes);

private:
    double m_x = 0;
    double m_y = 0;
    double m_width = 0;
    double m_height = 0;
    int m_embeddingDepth = 0;
    SVGDocumentReader m_documentReader;
    std::shared_ptr<const SVGNode> m_document;
};

// Image bytes that came with the document.
class SVGDataImage : public SVGImage {
    Q_OBJECT
    Q_PROPERTY(QByteArray data READ data WRITE setData NOTIFY dataChanged)

public:
    SVGDataImage(double x, double y, double width, double height, QByteArray data,
                 int embeddingDepth = 0, SVGDocumentReader documentReader = {});

    SVGNodeKind kind() const override { return SVGNodeKind::dataImage; }

    const QByteArray& data() const { return m_data; }
    void setData(QByteArray data);

signals:
    void dataChanged();

private:
    QByteArray m_data;
};

// An external image: its address as written and the bytes the document's linker found for it,
// if any. Both are fixed for the node's life.
class SVGURLImage : public SVGImage {
    Q_OBJECT

public:
    SVGURLImage(double x, double y, double width, double height, QString src,
                std::optional<QByteArray> data, int embeddingDepth = 0,
                SVGDocumentReader documentReader = {});

    SVGNodeKind kind() const override { return SVGNodeKind::urlImage; }

    const QString& src() const { return m_src; }
    const std::optional<QByteArray>& data() const { return m_data; }

private:
    const QString m_src;
    const std::optional<QByteArray> m_data;
};

} // namespace marlox::vector
