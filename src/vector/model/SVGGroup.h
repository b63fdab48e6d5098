#pragma once

#include "vector/SVGLength.h"
#include "vector/SVGNode.h"
#include "vector/SVGPreserveAspectRatio.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <memory>
#include <optional>

namespace marlox::vector {

class SVGUserSpaceNode;

// Child nodes drawn stacked in order, later ones over earlier ones.
class SVGGroup : public SVGNode {
    Q_OBJECT
    Q_PROPERTY(QList<std::shared_ptr<marlox::vector::SVGNode>> contents READ contents WRITE
                   setContents NOTIFY contentsChanged)

public:
    explicit SVGGroup(QList<std::shared_ptr<SVGNode>> contents,
                      const QTransform& transform = QTransform(), bool opaque = true,
                      double opacity = 1, std::shared_ptr<SVGUserSpaceNode> clip = nullptr,
                      std::shared_ptr<SVGNode> mask = nullptr);
    ~SVGGroup() override;

    SVGNodeKind kind() const override { return SVGNodeKind::group; }

    const QList<std::shared_ptr<SVGNode>>& contents() const { return m_contents; }
    void setContents(QList<std::shared_ptr<SVGNode>> contents);

    // The union of the children's bounds as they answer them (their transforms not applied);
    // (0, 0, 0, 0) without children.
    QRectF bounds() const override;
    // A group has no box of its own: its bounds.
    QRectF frame() const override { return bounds(); }
    // The group itself, else the first match among the children in order, depth first. Clips
    // and masks are not searched.
    std::shared_ptr<SVGNode> getNode(const QString& id) override;

signals:
    void contentsChanged();

protected:
    void giveUpNodes(std::vector<std::shared_ptr<SVGNode>>& nodes) override;

private:
    QList<std::shared_ptr<SVGNode>> m_contents;
};

// The root of a document and of every nested svg element: gives the content a size and maps its
// coordinates into the space it is shown in. Each change of one of its own fields is announced
// twice through changed().
class SVGViewport : public SVGGroup {
    Q_OBJECT
    Q_PROPERTY(marlox::vector::SVGLength width READ width WRITE setWidth NOTIFY widthChanged)
    Q_PROPERTY(marlox::vector::SVGLength height READ height WRITE setHeight NOTIFY heightChanged)
    Q_PROPERTY(std::optional<QRectF> viewBox READ viewBox WRITE setViewBox NOTIFY viewBoxChanged)
    Q_PROPERTY(marlox::vector::SVGPreserveAspectRatio preserveAspectRatio READ preserveAspectRatio
                   WRITE setPreserveAspectRatio NOTIFY preserveAspectRatioChanged)

public:
    SVGViewport(SVGLength width, SVGLength height, std::optional<QRectF> viewBox,
                SVGPreserveAspectRatio preserveAspectRatio,
                QList<std::shared_ptr<SVGNode>> contents);

    SVGNodeKind kind() const override { return SVGNodeKind::viewport; }

    SVGLength width() const { return m_width; }
    void setWidth(SVGLength width);
    SVGLength height() const { return m_height; }
    void setHeight(SVGLength height);
    const std::optional<QRectF>& viewBox() const { return m_viewBox; }
    void setViewBox(std::optional<QRectF> viewBox);
    SVGPreserveAspectRatio preserveAspectRatio() const { return m_preserveAspectRatio; }
    void setPreserveAspectRatio(SVGPreserveAspectRatio preserveAspectRatio);

    // Pixel lengths as they are, percentages of the parent's width and height.
    QSizeF resolvedSize(const QSizeF& parent) const;
    // (0, 0) and the size resolved against nothing: a percentage counts as 0.
    QRectF bounds() const override;

    // The document rectangle shown in a space of the given size: the view box, else the origin
    // and the size resolved against the space.
    QRectF contentRect(const QSizeF& space) const;
    // Maps document coordinates into the space: moved by minus the content rectangle's origin,
    // then scaled and aligned by the aspect-ratio rule.
    QTransform placementTransform(const QSizeF& space) const;

signals:
    void widthChanged();
    void heightChanged();
    void viewBoxChanged();
    void preserveAspectRatioChanged();

private:
    template <typename Value, typename Argument>
    void publishTwice(Value& field, Argument&& value, void (SVGViewport::*fieldChanged)());

    SVGLength m_width;
    SVGLength m_height;
    std::optional<QRectF> m_viewBox;
    SVGPreserveAspectRatio m_preserveAspectRatio;
};

} // namespace marlox::vector
