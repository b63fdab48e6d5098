#pragma once

#include "vector/SVGContext.h"
#include "vector/SVGNode.h"
#include "vector/SVGPreserveAspectRatio.h"

#include <functional>
#include <memory>

namespace marlox::vector {

// Parses another element (a child, a "use" target or a clip) in a context made from the one at
// hand, reached as the caller says; nothing when that context is refused or the element makes
// no node.
using SVGParseDelegate = std::function<std::shared_ptr<SVGNode>(const XMLElement&, SVGReach)>;

class SVGElementParser {
public:
    virtual ~SVGElementParser() = default;
    virtual std::shared_ptr<SVGNode> parse(const SVGNodeContext& context,
                                           const SVGParseDelegate& delegate) const = 0;
};

// Runs the element's own step, then reads what every element carries: transform, opacity, clip
// and id.
class SVGBaseElementParser : public SVGElementParser {
public:
    std::shared_ptr<SVGNode> parse(const SVGNodeContext& context,
                                   const SVGParseDelegate& delegate) const final;

protected:
    virtual std::shared_ptr<SVGNode> doParse(const SVGNodeContext& context,
                                             const SVGParseDelegate& delegate) const;
};

class SVGViewportParser final : public SVGBaseElementParser {
protected:
    std::shared_ptr<SVGNode> doParse(const SVGNodeContext& context,
                                     const SVGParseDelegate& delegate) const override;
};

class SVGGroupParser final : public SVGBaseElementParser {
protected:
    std::shared_ptr<SVGNode> doParse(const SVGNodeContext& context,
                                     const SVGParseDelegate& delegate) const override;
};

class SVGUseParser final : public SVGBaseElementParser {
protected:
    std::shared_ptr<SVGNode> doParse(const SVGNodeContext& context,
                                     const SVGParseDelegate& delegate) const override;
};

class SVGTextParser final : public SVGBaseElementParser {
protected:
    std::shared_ptr<SVGNode> doParse(const SVGNodeContext& context,
                                     const SVGParseDelegate& delegate) const override;
};

class SVGImageParser final : public SVGBaseElementParser {
protected:
    std::shared_ptr<SVGNode> doParse(const SVGNodeContext& context,
                                     const SVGParseDelegate& delegate) const override;
};

// Shapes get their fill and stroke from the styles once the shape itself is made.
class SVGShapeParser : public SVGBaseElementParser {
protected:
    std::shared_ptr<SVGNode> doParse(const SVGNodeContext& context,
                                     const SVGParseDelegate& delegate) const final;
    virtual std::shared_ptr<SVGShape> parseShape(const SVGNodeContext& context) const;
};

class SVGRectParser final : public SVGShapeParser {
protected:
    std::shared_ptr<SVGShape> parseShape(const SVGNodeContext& context) const override;
};

class SVGCircleParser final : public SVGShapeParser {
protected:
    std::shared_ptr<SVGShape> parseShape(const SVGNodeContext& context) const override;
};

class SVGEllipseParser final : public SVGShapeParser {
protected:
    std::shared_ptr<SVGShape> parseShape(const SVGNodeContext& context) const override;
};

class SVGLineParser final : public SVGShapeParser {
protected:
    std::shared_ptr<SVGShape> parseShape(const SVGNodeContext& context) const override;
};

class SVGPolygonParser final : public SVGShapeParser {
protected:
    std::shared_ptr<SVGShape> parseShape(const SVGNodeContext& context) const override;
};

class SVGPolylineParser final : public SVGShapeParser {
protected:
    std::shared_ptr<SVGShape> parseShape(const SVGNodeContext& context) const override;
};

class SVGPathParser final : public SVGShapeParser {
protected:
    std::shared_ptr<SVGShape> parseShape(const SVGNodeContext& context) const override;
};

// The "preserveAspectRatio" text: absent or unreadable gives meet, centred.
SVGPreserveAspectRatio parsePreserveAspectRatio(const std::optional<QString>& text);

} // namespace marlox::vector
