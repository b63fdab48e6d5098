#include "vector/SVGPaintReader.h"

#include "vector/SVGCharacters.h"
#include "vector/SVGHelper.h"
#include "vector/SVGIndex.h"
#include "vector/SVGScanner.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cmath>

namespace marlox::vector {

namespace {

// Reads "currentColor" through the "color" style at most once, so a "color" that is itself
// "currentColor" cannot send the reading round in circles.
std::optional<SVGColor> readColor(const QString& text, const SVGStyleMap& styles,
                                  bool resolvesCurrentColor) {
    if (text == u"none" || text == u"transparent") {
        return std::nullopt;
    }
    if (text == u"currentColor" && resolvesCurrentColor) {
        if (const QString* color = styles.find(u"color")) {
            QString value = *color;
            value.remove(u' ');
            return readColor(value, styles, false);
        }
    }
    // No keyword starts with "#" or a digit; those texts skip the table.
    const bool mayBeKeyword = !text.isEmpty() && text.front() != u'#' && !text.front().isDigit();
    if (mayBeKeyword) {
        if (std::optional<SVGColor> named = SVGColor::by(text)) {
            return named;
        }
    }
    if (text.startsWith(u"rgb")) {
        return SVGHelper::parseRGB(text);
    }
    return SVGHelper::parseHex(text);
}

// Rounded half away from zero, keeping the low 8 bits; a channel beyond 64 bits is 0.
int channelByte(double value) {
    const double rounded = std::round(value);
    if (!(std::fabs(rounded) < 9.2e18)) {
        return 0;
    }
    return static_cast<int>(static_cast<qint64>(rounded) & 0xFF);
}

// The first of the styles that holds a readable number, clamped to 0...1; else 1.
double opacityFrom(const SVGStyleMap& styles, std::initializer_list<QStringView> names) {
    for (const QStringView name : names) {
        const QString* value = styles.find(name);
        if (!value) {
            continue;
        }
        if (const std::optional<double> number = SVGHelper::parseNumber(*value)) {
            return std::clamp(*number, 0.0, 1.0);
        }
    }
    return 1;
}

// A paint before any opacity is applied: a gradient from the index, or a colour.
struct ReadPaint {
    std::shared_ptr<const SVGPaint> gradient;
    std::optional<SVGColor> color;
    // A gradient of one stop kept as its colour: the stop's own opacity is part of the paint, so
    // the fill's or the stroke's multiplies it rather than replacing it.
    bool fromStop = false;

    std::shared_ptr<const SVGPaint> colorAt(double opacity) const {
        if (fromStop) {
            return std::make_shared<const SVGColor>(color->fadedBy(opacity));
        }
        return color->opacity(opacity);
    }
};

ReadPaint readPaint(const QString& text, const SVGStyleMap& styles, const SVGIndex& index) {
    if (text.startsWith(u"url") && text.size() >= 6) {
        const QString id = text.sliced(5, text.size() - 6);
        if (const auto paint = index.paints.constFind(id); paint != index.paints.cend()) {
            if (paint.value()->kind() == SVGPaintKind::color) {
                return {nullptr, static_cast<const SVGColor&>(*paint.value()), true};
            }
            return {paint.value(), std::nullopt};
        }
    }
    return {nullptr, SVGHelper::parseColor(text, styles)};
}

QStringView valueOrEmpty(const QString* value) {
    return value ? QStringView(*value) : QStringView();
}

std::optional<double> numberStyle(const SVGStyleMap& styles, QStringView name) {
    const QString* value = styles.find(name);
    return value ? SVGHelper::parseNumber(*value) : std::nullopt;
}

} // namespace

std::optional<SVGColor> SVGHelper::parseColor(const QString& text, const SVGStyleMap& styles) {
    if (!text.contains(u' ')) {
        return readColor(text, styles, true);
    }
    QString compact = text;
    compact.remove(u' ');
    return readColor(compact, styles, true);
}

SVGColor SVGHelper::parseRGB(QStringView text) {
    const bool percent = text.contains(u'%');
    QString channels = text.size() > 4 ? text.sliced(4).toString() : QString();
    channels.remove(u'%');
    channels.remove(u')');
    channels.remove(u' ');
    const QStringList parts = channels.split(u',');
    if (parts.size() != 3) {
        return SVGColor(0);
    }
    int bytes[3] = {};
    for (int index = 0; index < 3; ++index) {
        const std::optional<double> value = readDouble(parts[index]);
        if (!value) {
            return SVGColor(0);
        }
        bytes[index] = channelByte(percent ? *value * 2.55 : *value);
    }
    return SVGColor(qint64(bytes[0]) * 65536 + bytes[1] * 256 + bytes[2]);
}

SVGColor SVGHelper::parseHex(QStringView text) {
    // The usual "#rrggbb" and "#ttrrggbb" read in place.
    if ((text.size() == 7 || text.size() == 9) && text.front() == u'#') {
        qint64 value = 0;
        bool allDigits = true;
        for (const QChar character : text.sliced(1)) {
            const int digit = hexDigitValue(character);
            allDigits = allDigits && digit >= 0;
            value = value << 4 | (digit & 0xF);
        }
        if (allDigits) {
            return SVGColor(value);
        }
    }
    // A leading "#" drops every "#" of the text.
    QStringView digits = text;
    QVarLengthArray<QChar, 32> kept;
    if (text.startsWith(u'#')) {
        for (const QChar character : text) {
            if (character != u'#') {
                kept.append(character);
            }
        }
        digits = QStringView(kept.data(), kept.size());
    }
    if (digits.size() != 3) {
        return SVGColor::fromHex(digits);
    }
    const QChar doubled[6] = {digits[0], digits[0], digits[1], digits[1], digits[2], digits[2]};
    return SVGColor::fromHex(QStringView(doubled, 6));
}

std::shared_ptr<const SVGPaint>
SVGHelper::parsePaint(const QString& text, const SVGStyleMap& styles, const SVGIndex& index) {
    const ReadPaint paint = readPaint(text, styles, index);
    if (!paint.color) {
        return paint.gradient;
    }
    return paint.colorAt(opacityFrom(styles, {u"fill-opacity", u"opacity"}));
}

std::shared_ptr<const SVGStroke> SVGHelper::parseStroke(const SVGStyleMap& styles,
                                                        const SVGIndex& index) {
    const QString* strokeValue = styles.find(u"stroke");
    if (!strokeValue) {
        return nullptr;
    }
    const ReadPaint read = readPaint(*strokeValue, styles, index);
    if (!read.gradient && !read.color) {
        return nullptr;
    }
    std::shared_ptr<const SVGPaint> paint = read.gradient;
    if (read.color) {
        // The stroke's own opacity replaces the fill opacity a paint reading applies; that
        // reading still takes place for what it reports.
        opacityFrom(styles, {u"fill-opacity", u"opacity"});
        paint = read.colorAt(opacityFrom(styles, {u"stroke-opacity", u"opacity"}));
    }

    const QStringView cap = valueOrEmpty(styles.find(u"stroke-linecap"));
    const QStringView join = valueOrEmpty(styles.find(u"stroke-linejoin"));
    return std::make_shared<const SVGStroke>(
        std::move(paint), numberStyle(styles, u"stroke-width").value_or(1),
        cap == u"round"    ? SVGLineCap::round
        : cap == u"square" ? SVGLineCap::square
                           : SVGLineCap::butt,
        join == u"round"   ? SVGLineJoin::round
        : join == u"bevel" ? SVGLineJoin::bevel
                           : SVGLineJoin::miter,
        numberStyle(styles, u"stroke-miterlimit").value_or(4), parseDashArray(styles),
        numberStyle(styles, u"stroke-dashoffset").value_or(0));
}

} // namespace marlox::vector
