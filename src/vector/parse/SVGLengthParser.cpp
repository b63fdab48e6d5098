#include "vector/SVGLengthParser.h"

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

std::optional<double> SVGLengthParser::parse(QStringView text, const SVGRootContext& rootContext,
                                             const FontSize& fontSize) const {
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
        const double size =
            (fontSize ? fontSize() : std::nullopt).value_or(rootContext.defaultFontSize);
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

} // namespace marlox::vector
