#include "vector/SVGViewBox.h"

namespace marlox::vector {

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

std::optional<QRectF> parseViewBox(const XMLAttributes& attributes,
                                   const SVGRootContext& rootContext,
                                   const SVGLengthParser::FontSize& fontSize) {
    return readViewBox(findViewBox(attributes),
                       [&](QStringView part, const SVGLengthParser& parser) {
                           return parser.parse(part, rootContext, fontSize);
                       });
}

} // namespace marlox::vector
