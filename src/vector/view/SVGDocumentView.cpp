#include "vector/SVGDocumentView.h"

#include "vector/SVGDrawing.h"
#include "vector/SVGGroup.h"
#include "vector/SVGHitTesting.h"
#include "vector/SVGParser.h"
#include "vector/SVGTreeWatcher.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace marlox::vector {

SVGDocumentView::SVGDocumentView(const QString& string, QWidget* parent)
    : SVGDocumentView(SVGParser::parseString(string), parent) {}

SVGDocumentView::SVGDocumentView(const QByteArray& data, QWidget* parent)
    : SVGDocumentView(SVGParser::parseData(data), parent) {}

SVGDocumentView::SVGDocumentView(const QUrl& contentsOf, QWidget* parent)
    : SVGDocumentView(SVGParser::parseContentsOf(contentsOf), parent) {}

SVGDocumentView::SVGDocumentView(QIODevice* stream, QWidget* parent)
    : SVGDocumentView(SVGParser::parseStream(stream), parent) {}

SVGDocumentView::SVGDocumentView(const XMLElement& xml, QWidget* parent)
    : SVGDocumentView(SVGParser::parseXML(&xml), parent) {}

SVGDocumentView::SVGDocumentView(std::shared_ptr<SVGNode> svg, QWidget* parent)
    : QWidget(parent), m_svg(std::move(svg)) {
    if (m_svg) {
        m_watcher = new SVGTreeWatcher(m_svg, this);
        connect(m_watcher, &SVGTreeWatcher::treeChanged, this, qOverload<>(&QWidget::update));
    }
}

SVGDocumentView::~SVGDocumentView() = default;

std::shared_ptr<SVGNode> SVGDocumentView::getNode(const QString& id) const {
    return m_svg ? m_svg->getNode(id) : nullptr;
}

QSize SVGDocumentView::sizeHint() const {
    if (!m_svg || m_svg->kind() != SVGNodeKind::viewport) {
        return QWidget::sizeHint();
    }
    const auto& viewport = static_cast<const SVGViewport&>(*m_svg);
    const auto ideal = [](const SVGLength& length) {
        return length.isPercent() ? -1 : qRound(length.value());
    };
    return QSize(ideal(viewport.width()), ideal(viewport.height()));
}

void SVGDocumentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawDocument(painter, m_svg.get(), QSizeF(size()));
}

void SVGDocumentView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return QWidget::mousePressEvent(event);
    }
    m_pressPosition = event->position();
    m_tapCount = 1;
}

void SVGDocumentView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return QWidget::mouseDoubleClickEvent(event);
    }
    m_pressPosition = event->position();
    m_tapCount = 2;
}

void SVGDocumentView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_tapCount == 0) {
        return QWidget::mouseReleaseEvent(event);
    }
    // A press that wandered off is a drag, not a tap.
    const int tapCount = m_tapCount;
    m_tapCount = 0;
    if ((event->position() - m_pressPosition).manhattanLength() <=
        QApplication::startDragDistance()) {
        tap(event->position(), tapCount);
    }
}

void SVGDocumentView::tap(const QPointF& point, int tapCount) {
    if (!m_svg) {
        return;
    }
    const SVGNode* target = gestureTargetAt(*m_svg, point, QSizeF(size()));
    // The gestures are taken before any runs: one may change or drop the node.
    const std::optional<SVGCombinedGesture> gesture =
        target ? combinedGestures(*target) : std::nullopt;
    if (gesture) {
        (*gesture)(tapCount);
    }
}

} // namespace marlox::vector
