#include "ui/kit/IconSupport.h"

#include "vector/SVGDocumentView.h"
#include "vector/SVGDrawing.h"
#include "vector/SVGParser.h"

#include <QFile>
#include <QPainter>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <utility>

namespace marlox::ui {
namespace {

// Read and written on the main thread only.
QList<platform::Bundle>& handedInIconBundles() {
    static QList<platform::Bundle> bundles{platform::mainBundle()};
    return bundles;
}

} // namespace

void setUpIconBundles(QList<platform::Bundle> bundles) {
    handedInIconBundles() = std::move(bundles);
}

const QList<platform::Bundle>& iconBundles() {
    return handedInIconBundles();
}

std::optional<QString> readUtf8File(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

void drawIconMarkup(QPainter& painter, const QRectF& frame, const QString& markup) {
    const qreal side = std::min(frame.width(), frame.height());
    if (!(side > 0)) {
        return;
    }
    const std::shared_ptr<vector::SVGNode> root = vector::SVGParser::parseString(markup);
    painter.save();
    painter.translate(frame.center() - QPointF(side / 2, side / 2));
    vector::drawDocument(painter, root.get(), QSizeF(side, side));
    painter.restore();
}

SquareIconWidget::SquareIconWidget(qreal size, QWidget* parent) : QWidget(parent) {
    setSide(size);
}

QSize SquareIconWidget::sizeHint() const {
    const int side = static_cast<int>(std::ceil(m_size));
    return QSize(side, side);
}

void SquareIconWidget::setSide(qreal size) {
    m_size = std::max<qreal>(size, 0);
    setFixedSize(sizeHint());
    placeChild();
}

void SquareIconWidget::showMarkup(const QString& markup) {
    showChild(new vector::SVGDocumentView(markup));
}

void SquareIconWidget::showChild(QWidget* child) {
    delete m_child;
    m_child = child;
    m_child->setParent(this);
    m_child->setAttribute(Qt::WA_TransparentForMouseEvents);
    placeChild();
    m_child->show();
}

void SquareIconWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeChild();
}

void SquareIconWidget::placeChild() {
    if (m_child == nullptr) {
        return;
    }
    const int side = static_cast<int>(std::lround(m_size));
    m_child->setGeometry((width() - side) / 2, (height() - side) / 2, side, side);
}

} // namespace marlox::ui
