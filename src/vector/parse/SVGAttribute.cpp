#include "vector/SVGAttribute.h"

namespace marlox::vector {

const SVGFontSizeAttribute& SVGFontSizeAttribute::shared() {
    static const SVGFontSizeAttribute attribute;
    return attribute;
}

std::optional<double> parseLength(const SVGLengthParser& parser, QStringView text,
                                  const SVGNodeContext& context) {
    return parser.parse(text, context.root(),
                        [&context] { return SVGFontSizeAttribute::shared().value(context); });
}

std::optional<QRectF> parseViewBox(const XMLAttributes& attributes, const SVGNodeContext& context) {
    return parseViewBox(attributes, context.root(),
                        [&context] { return SVGFontSizeAttribute::shared().value(context); });
}

} // namespace marlox::vector
