#pragma once

#include "vector/SVGContext.h"

#include <QRectF>
#include <QString>

#include <optional>

namespace marlox::vector {

// Writes "SVG parsing error. Unit "<unit>" is not supported".
void reportUnsupportedUnit(QStringView unit);

// Which screen size a percentage is taken of.
enum class SVGLengthAxis { x, y, all };

// Reads a length with its unit into pixels.
class SVGLengthParser {
public:
    SVGLengthParser(SVGLengthAxis axis, bool isFontRelative)
        : m_axis(axis), m_isFontRelative(isFontRelative) {}

    SVGLengthAxis axis() const { return m_axis; }
    bool isFontRelative() const { return m_isFontRelative; }

    std::optional<double> parse(QStringView text, const SVGNodeContext& context) const;
    // The same against the document alone: em and ex use the default font size.
    std::optional<double> parse(QStringView text, const SVGRootContext& rootContext) const;

    static const SVGLengthParser& horizontal();
    static const SVGLengthParser& vertical();
    static const SVGLengthParser& radial();
    static const SVGLengthParser& fontSize();

private:
    std::optional<double> parse(QStringView text, const SVGRootContext& rootContext,
                                const SVGNodeContext* context) const;

    SVGLengthAxis m_axis;
    bool m_isFontRelative;
};

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
        return m_parser.parse(text, context);
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
        return SVGLengthParser::fontSize().parse(text, context);
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

std::optional<QRectF> parseViewBox(const XMLAttributes& attributes, const SVGNodeContext& context);
std::optional<QRectF> parseViewBox(const XMLAttributes& attributes,
                                   const SVGRootContext& rootContext);

} // namespace marlox::vector
