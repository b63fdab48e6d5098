#pragma once

#include "vector/PathSegment.h"
#include "vector/SVGBezierPath.h"
#include "vector/SVGNode.h"

#include <QList>
#include <QRectF>

namespace marlox::vector {

// One path: its segments and the rule that decides what is inside.
class SVGPath : public SVGShape {
    Q_OBJECT
    Q_PROPERTY(QList<marlox::vector::PathSegment> segments READ segments WRITE setSegments NOTIFY
                   segmentsChanged)
    Q_PROPERTY(Qt::FillRule fillRule READ fillRule WRITE setFillRule NOTIFY fillRuleChanged)

public:
    SVGPath(QList<PathSegment> segments, Qt::FillRule fillRule);

    SVGNodeKind kind() const override { return SVGNodeKind::path; }

    const QList<PathSegment>& segments() const { return m_segments; }
    void setSegments(QList<PathSegment> segments);
    Qt::FillRule fillRule() const { return m_fillRule; }
    void setFillRule(Qt::FillRule fillRule);

    // Built anew from the current segments on every call.
    SVGBezierPath toBezierPath() const;

    // Both the tight box of the outline in the path's own coordinates (its transform not
    // applied); the null rectangle for an empty path.
    QRectF frame() const override;
    QRectF bounds() const override;

signals:
    void segmentsChanged();
    void fillRuleChanged();

private:
    QList<PathSegment> m_segments;
    Qt::FillRule m_fillRule = Qt::WindingFill;
};

} // namespace marlox::vector
