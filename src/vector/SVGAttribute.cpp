#include "vector/SVGAttribute.h"

#include "vector/SVGCharacters.h"
#include "vector/SVGScanner.h"

#include <cmath>

namespace marlox::vector {

void reportUnsupportedUnit(QStringView unit) {
    printLine(QStringLiteral("SVG parsing error. Unit \"%1\" is not supported").arg(unit));
}

namespace {

bool isUnitCharacter(QChar character) {
    return isAsciiLetter(character) || character == u'%';
}

double percentageBase(SVGLengthAxis axis, const SVGScreen& screen) {
    switch (axis) {
    case SVGLengthAxis::x:
        return screen.width;
    case SVGLengthAxis::y:
        return screen.height;
    case SVGLengthAxis::all:
        break;
    }
    return std::sqrt(screen.width * screen.width + screen.height * screen.height) /
           1.4142135623730951;
}

} // namespace

std::optional<double> SVGLengthParser::parse(QStringView text,
                                             const SVGNodeContext& context) const {
    return parse(text, context.root(), &context);
}

std::optional<double> SVGLengthParser::parse(QStringView text,
                                             const SVGRootContext& rootContext) const {
    return parse(text, rootContext, nullptr);
}

std::optional<double> SVGLengthParser::parse(QStringView text, const SVGRootContext& rootContext,
                                             const SVGNodeContext* context) const {
    if (text == u"none") {
        return 0.0;
    }
    SVGTextCursor scanner{text};
    const std::optional<double> number = scanner.scanDouble();
    if (!number) {
        return std::nullopt;
    }
    // Units compare without regard to case.
    const QStringView unitText = scanner.scanRun(isUnitCharacter);
    const auto unitIs = [unitText](QStringView unit) {
        return unitText.compare(unit, Qt::CaseInsensitive) == 0;
    };
    if (unitText.isEmpty() || unitIs(u"px")) {
        return number;
    }
    const double ppi = rootContext.screen.ppi;
    if (unitIs(u"in")) {
        return *number * ppi;
    }
    if (unitIs(u"cm")) {
        return *number * ppi / 2.54;
    }
    if (unitIs(u"pc")) {
        return *number * ppi / 6;
    }
    if (unitIs(u"mm")) {
        return *number * ppi / 25.4;
    }
    if (unitIs(u"pt")) {
        return *number * ppi / 72;
    }
    if (unitIs(u"%")) {
        return *number / 100 * percentageBase(m_axis, rootContext.screen);
    }
    if (m_isFontRelative && (unitIs(u"em") || unitIs(u"ex"))) {
        std::optional<double> fontSize;
        if (context) {
            fontSize = SVGFontSizeAttribute::shared().value(*context);
        }
        const double size = fontSize.value_or(rootContext.defaultFontSize);
        return unitIs(u"em") ? *number * size : *number * size * 0.5;
    }
    reportUnsupportedUnit(unitText.toString().toLower());
    return number;
}

const SVGLengthParser& SVGLengthParser::horizontal() {
    static const SVGLengthParser parser(SVGLengthAxis::x, true);
    return parser;
}

const SVGLengthParser& SVGLengthParser::vertical() {
    static const SVGLengthParser parser(SVGLengthAxis::y, true);
    return parser;
}

const SVGLengthParser& SVGLengthParser::radial() {
    static const SVGLengthParser parser(SVGLengthAxis::all, true);
    return parser;
}

const SVGLengthParser& SVGLengthParser::fontSize() {
    static const SVGLengthParser parser(SVGLengthAxis::all, false);
    return parser;
}

const SVGFontSizeAttribute& SVGFontSizeAttribute::shared() {
    static const SVGFontSizeAttribute attribute;
    return attribute;
}

namespace {

// Four parts separated by single blanks or tabs, read as x, y, width and height.
template <typename ReadLength>
std::optional<QRectF> readViewBox(const QString* text, ReadLength readLength) {
    if (!text) {
        return std::nullopt;
    }
    QStringView parts[4];
    qsizetype count = 0;
    qsizetype start = 0;
    for (qsizetype index = 0; index <= text->size(); ++index) {
        if (index == text->size() || text->at(index) == u' ' || text->at(index) == u'\t') {
            if (count == 4) {
                return std::nullopt;
            }
            parts[count++] = QStringView(*text).sliced(start, index - start);
            start = index + 1;
        }
    }
    if (count != 4) {
        return std::nullopt;
    }
    const std::optional<double> x = readLength(parts[0], SVGLengthParser::horizontal());
    const std::optional<double> y = readLength(parts[1], SVGLengthParser::vertical());
    const std::optional<double> width = readLength(parts[2], SVGLengthParser::horizontal());
    const std::optional<double> height = readLength(parts[3], SVGLengthParser::vertical());
    if (!x || !y || !width || !height) {
        return std::nullopt;
    }
    return QRectF(*x, *y, *width, *height);
}

const QString* findViewBox(const XMLAttributes& attributes) {
    constexpr QStringView viewBox = u"viewBox";
    for (const auto& [name, value] : attributes) {
        // Case folding maps character to character: only a name of the same length can match.
        if (name.size() == viewBox.size() && name.compare(viewBox, Qt::CaseInsensitive) == 0) {
            return &value;
        }
    }
    return nullptr;
}

} // namespace

std::optional<QRectF> parseViewBox(const XMLAttributes& attributes, const SVGNodeContext& context) {
    return readViewBox(findViewBox(attributes),
                       [&](QStringView part, const SVGLengthParser& parser) {
                           return parser.parse(part, context);
                       });
}

std::optional<QRectF> parseViewBox(const XMLAttributes& attributes,
                                   const SVGRootContext& rootContext) {
    return readViewBox(findViewBox(attributes),
                       [&](QStringView part, const SVGLengthParser& parser) {
                           return parser.parse(part, rootContext);
                       });
}

} // namespace marlox::vector
