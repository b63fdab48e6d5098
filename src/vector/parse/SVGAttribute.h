#pragma once

#include "vector/SVGContext.h"
#include "vector/SVGLengthParser.h"
#include "vector/SVGViewBox.h"

#include <QRectF>
#include <QString>

#include <optional>

namespace marlox::vector {

// A length read in the element's context: em and ex refer to its font size.
std::optional<double> parseLength(const SVGLengthParser& parser, QStringView text,
                                  const SVGNodeContext& context);

// An attribute read from an element's styles or its own properties.
template <typename Value> class SVGAttribute {
public:
    virtual ~SVGAttribute() = default;

    virtual QString name() const { return {}; }
    virtual bool isStyle() const { return false; }
    virtual std::optional<Value> parse(const QString& text,
                                       const SVGNodeContext& context) const = 0;

    std::optional<Value> value(const SVGNodeContext& context) const {
        const QString attributeName = name();
        const QString* text = isStyle() ? context.styles().find(attributeName)
                                        : context.properties().find(attributeName);
        if (!text) {
            return std::nullopt;
        }
        return parse(*text, context);
    }
};

class SVGLengthAttribute final : public SVGAttribute<double> {
public:
    SVGLengthAttribute(QString name, const SVGLengthParser& parser)
        : m_name(std::move(name)), m_parser(parser) {}

    QString name() const override { return m_name; }
    std::optional<double> parse(const QString& text, const SVGNodeContext& context) const override {
        return parseLength(m_parser, text, context);
    }

private:
    QString m_name;
    const SVGLengthParser& m_parser;
};

class SVGFontSizeAttribute final : public SVGAttribute<double> {
public:
    QString name() const override { return QStringLiteral("font-size"); }
    bool isStyle() const override { return true; }
    std::optional<double> parse(const QString& text, const SVGNodeContext& context) const override {
        return parseLength(SVGLengthParser::fontSize(), text, context);
    }

    static const SVGFontSizeAttribute& shared();
};

// The length attributes of the shapes, each with the axis its percentages refer to.
namespace SVGAttributes {
inline const SVGLengthAttribute x{QStringLiteral("x"), SVGLengthParser::horizontal()};
inline const SVGLengthAttribute width{QStringLiteral("width"), SVGLengthParser::horizontal()};
inline const SVGLengthAttribute rx{QStringLiteral("rx"), SVGLengthParser::horizontal()};
inline const SVGLengthAttribute cx{QStringLiteral("cx"), SVGLengthParser::horizontal()};
inline const SVGLengthAttribute x1{QStringLiteral("x1"), SVGLengthParser::horizontal()};
inline const SVGLengthAttribute x2{QStringLiteral("x2"), SVGLengthParser::horizontal()};
inline const SVGLengthAttribute y{QStringLiteral("y"), SVGLengthParser::vertical()};
inline const SVGLengthAttribute height{QStringLiteral("height"), SVGLengthParser::vertical()};
inline const SVGLengthAttribute ry{QStringLiteral("ry"), SVGLengthParser::vertical()};
inline const SVGLengthAttribute cy{QStringLiteral("cy"), SVGLengthParser::vertical()};
inline const SVGLengthAttribute y1{QStringLiteral("y1"), SVGLengthParser::vertical()};
inline const SVGLengthAttribute y2{QStringLiteral("y2"), SVGLengthParser::vertical()};
inline const SVGLengthAttribute r{QStringLiteral("r"), SVGLengthParser::radial()};
} // namespace SVGAttributes

// The element's "viewBox", its lengths read in the element's context.
std::optional<QRectF> parseViewBox(const XMLAttributes& attributes, const SVGNodeContext& context);

} // namespace marlox::vector
