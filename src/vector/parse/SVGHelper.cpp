#include "vector/SVGHelper.h"

#include "vector/SVGAttribute.h"
#include "vector/SVGCharacters.h"
#include "vector/SVGGeometry.h"
#include "vector/SVGScanner.h"

#include <QVarLengthArray>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace marlox::vector {

std::optional<double> SVGHelper::parseNumber(const QString& text) {
    if (text == u"none") {
        return 0.0;
    }
    SVGTextCursor scanner{text};
    const std::optional<double> number = scanner.scanDouble();
    const QStringView unit = scanner.scanRun(isAsciiLetter);
    if (!unit.isEmpty() && unit != u"px") {
        reportUnsupportedUnit(unit);
    }
    return number;
}

QList<QPointF> SVGHelper::parsePoints(QStringView text) {
    QVarLengthArray<double, 32> numbers;
    SVGTextCursor scanner{text};
    while (!scanner.isAtEnd()) {
        const std::optional<double> number = scanner.scanDouble();
        if (number) {
            numbers.append(*number);
        }
        const bool skippedCommas = !scanner.scanRun([](QChar c) { return c == u','; }).isEmpty();
        // A character that is neither a number, a blank nor a comma ends the list.
        if (!number && !skippedCommas) {
            break;
        }
    }
    QList<QPointF> points;
    points.reserve(numbers.size() / 2);
    for (qsizetype index = 0; index + 1 < numbers.size(); index += 2) {
        points.append(QPointF(numbers[index], numbers[index + 1]));
    }
    return points;
}

QList<double> SVGHelper::parseDashArray(const SVGStyleMap& styles) {
    QList<double> dashes;
    const QString* value = styles.find(u"stroke-dasharray");
    if (!value) {
        return dashes;
    }
    qsizetype start = 0;
    const QString& text = *value;
    for (qsizetype index = 0; index <= text.size(); ++index) {
        if (index < text.size() && text[index] != u' ' && text[index] != u',') {
            continue;
        }
        const QStringView part = QStringView(text).sliced(start, index - start);
        start = index + 1;
        if (part.isEmpty()) {
            continue;
        }
        if (const std::optional<double> dash = parseNumber(part.toString())) {
            dashes.append(*dash);
        }
    }
    return dashes;
}

namespace {

bool isNameLetter(QChar character) {
    return isAsciiLetter(character);
}

bool isExponentLetter(QChar character) {
    return character == u'e' || character == u'E';
}

// The kinds of character an argument list is made of.
enum CharacterClass : std::uint8_t { digit, minus, point, exponent, blank, comma, other };

CharacterClass classOf(QChar character) {
    if (isAsciiDigit(character)) {
        return digit;
    }
    switch (character.unicode()) {
    case u'-':
        return minus;
    case u'.':
        return point;
    case u'e':
    case u'E':
        return exponent;
    case u',':
        return comma;
    default:
        return character.isSpace() ? blank : other;
    }
}

// Whether a whole argument text is one or more numbers of the shape
// -?\d+\.?\d*e?-?\d* each followed by optional blanks, a comma and blanks. The list is
// checked by following every way of reading it at once, so a long run of digits cannot make
// the check backtrack.
bool isArgumentList(QStringView text) {
    // The parts of one argument, in order; each is optional or repeats as marked.
    enum class Repeat { once, optional, any };
    struct Part {
        CharacterClass accepts;
        Repeat repeat;
    };
    static constexpr std::array<Part, 11> parts = {{
        {minus, Repeat::optional},
        {digit, Repeat::once},
        {digit, Repeat::any},
        {point, Repeat::optional},
        {digit, Repeat::any},
        {exponent, Repeat::optional},
        {minus, Repeat::optional},
        {digit, Repeat::any},
        {blank, Repeat::any},
        {comma, Repeat::optional},
        {blank, Repeat::any},
    }};
    constexpr int endOfArgument = static_cast<int>(parts.size());
    constexpr int classCount = static_cast<int>(other);

    // State k means "before part k"; past the last part a new argument may begin.
    const auto close = [](std::uint32_t states) {
        for (int pass = 0; pass < 2; ++pass) {
            for (int k = 0; k < endOfArgument; ++k) {
                if ((states >> k & 1u) && parts[k].repeat != Repeat::once) {
                    states |= 1u << (k + 1);
                }
            }
            if (states >> endOfArgument & 1u) {
                states |= 1u;
            }
        }
        return states;
    };
    // The states one state reaches on one kind of character, closed; the states a set reaches
    // are the union of what each of its states reaches.
    using Successors = std::array<std::array<std::uint32_t, classCount>, endOfArgument + 1>;
    static const Successors successors = [&close] {
        Successors table{};
        for (int k = 0; k < endOfArgument; ++k) {
            for (int characterClass = 0; characterClass < classCount; ++characterClass) {
                if (parts[k].accepts == characterClass) {
                    table[k][characterClass] =
                        close(1u << (parts[k].repeat == Repeat::any ? k : k + 1));
                }
            }
        }
        return table;
    }();
    static const std::uint32_t start = close(1u);

    std::uint32_t states = start;
    bool readAny = false;
    for (const QChar character : text) {
        const CharacterClass characterClass = classOf(character);
        if (characterClass == other) {
            return false;
        }
        std::uint32_t next = 0;
        for (std::uint32_t rest = states; rest != 0; rest &= rest - 1) {
            next |= successors[std::countr_zero(rest)][characterClass];
        }
        if (next == 0) {
            return false;
        }
        states = next;
        readAny = true;
    }
    return readAny && (states >> endOfArgument & 1u);
}

struct TransformFunction {
    QStringView name;
    QStringView arguments;
    qsizetype end = 0;
};

// The first "name(arguments)" of the text: a run of letters right before an opening
// parenthesis, and an argument list that runs up to the next closing one.
std::optional<TransformFunction> findFunction(QStringView text) {
    qsizetype close = -1;
    for (qsizetype open = text.indexOf(u'('); open >= 0; open = text.indexOf(u'(', open + 1)) {
        qsizetype nameStart = open;
        while (nameStart > 0 && isNameLetter(text[nameStart - 1])) {
            --nameStart;
        }
        if (nameStart == open) {
            continue;
        }
        if (close < open) {
            close = text.indexOf(u')', open + 1);
            if (close < 0) {
                return std::nullopt;
            }
        }
        const QStringView arguments = text.sliced(open + 1, close - open - 1);
        if (isArgumentList(arguments)) {
            return TransformFunction{text.sliced(nameStart, open - nameStart), arguments,
                                     close + 1};
        }
    }
    return std::nullopt;
}

// The first text of the shape -?\d+\.?\d*e?-?\d* at or after `from`, as [start, end).
std::optional<std::pair<qsizetype, qsizetype>> findNumber(QStringView text, qsizetype from) {
    const qsizetype size = text.size();
    for (qsizetype start = from; start < size; ++start) {
        qsizetype cursor = start;
        if (text[cursor] == u'-') {
            ++cursor;
        }
        if (cursor >= size || !isAsciiDigit(text[cursor])) {
            continue;
        }
        while (cursor < size && isAsciiDigit(text[cursor])) {
            ++cursor;
        }
        if (cursor < size && text[cursor] == u'.') {
            ++cursor;
        }
        while (cursor < size && isAsciiDigit(text[cursor])) {
            ++cursor;
        }
        if (cursor < size && isExponentLetter(text[cursor])) {
            ++cursor;
        }
        if (cursor < size && text[cursor] == u'-') {
            ++cursor;
        }
        while (cursor < size && isAsciiDigit(text[cursor])) {
            ++cursor;
        }
        return std::make_pair(start, cursor);
    }
    return std::nullopt;
}

constexpr double degreesToRadians = 3.141592653589793 / 180;

QTransform rotation(double degrees) {
    const double radians = degrees * degreesToRadians;
    const double cosine = std::cos(radians);
    const double sine = std::sin(radians);
    return QTransform(cosine, sine, -sine, cosine, 0, 0);
}

// The operation one function puts in front of the transform so far; none changes nothing.
// A short "matrix" ends the whole list.
struct Operation {
    std::optional<QTransform> transform;
    bool endsList = false;
};

// The numbers of one argument list; a list rarely holds more than six.
using ArgumentNumbers = QVarLengthArray<std::optional<double>, 8>;

Operation operationOf(QStringView name, const ArgumentNumbers& numbers) {
    const qsizetype count = numbers.size();
    const auto number = [&](qsizetype index) {
        return index < count ? numbers[index] : std::nullopt;
    };
    if (name == u"translate") {
        if (!number(0)) {
            return {};
        }
        const double ty = count >= 2 ? number(1).value_or(0) : 0;
        return {QTransform::fromTranslate(*number(0), ty)};
    }
    if (name == u"scale") {
        if (!number(0)) {
            return {};
        }
        const double sy = count >= 2 ? number(1).value_or(*number(0)) : *number(0);
        return {QTransform::fromScale(*number(0), sy)};
    }
    if (name == u"rotate") {
        if (count == 1 && number(0)) {
            return {rotation(*number(0))};
        }
        if (count == 3 && number(0) && number(1) && number(2)) {
            const double cx = *number(1);
            const double cy = *number(2);
            return {QTransform::fromTranslate(-cx, -cy) * rotation(*number(0)) *
                    QTransform::fromTranslate(cx, cy)};
        }
        return {};
    }
    if (name == u"skewX" || name == u"skewY") {
        if (!number(0)) {
            return {};
        }
        const double t = std::tan(*number(0) * degreesToRadians);
        return {name == u"skewX" ? QTransform(1, 0, t, 1, 0, 0) : QTransform(1, t, 0, 1, 0, 0)};
    }
    if (name == u"matrix") {
        if (count != 6) {
            return {std::nullopt, true};
        }
        for (const std::optional<double>& value : numbers) {
            if (!value) {
                return {};
            }
        }
        return {QTransform(*numbers[0], *numbers[1], *numbers[2], *numbers[3], *numbers[4],
                           *numbers[5])};
    }
    return {};
}

} // namespace

QStringList SVGHelper::parseNumbers(QStringView text) {
    QStringList numbers;
    qsizetype from = 0;
    while (const auto match = findNumber(text, from)) {
        numbers.append(text.sliced(match->first, match->second - match->first).toString());
        from = match->second;
    }
    return numbers;
}

QTransform SVGHelper::parseTransform(QStringView text, const QTransform& transform) {
    QString withoutLineFeeds;
    if (text.contains(u'\n')) {
        withoutLineFeeds = text.toString();
        withoutLineFeeds.remove(u'\n');
        text = withoutLineFeeds;
    }
    QTransform accumulated = transform;
    QStringView rest = text;
    while (const std::optional<TransformFunction> function = findFunction(rest)) {
        ArgumentNumbers numbers;
        qsizetype from = 0;
        while (const auto match = findNumber(function->arguments, from)) {
            numbers.append(
                readDouble(function->arguments.sliced(match->first, match->second - match->first)));
            from = match->second;
        }
        const Operation operation = operationOf(function->name, numbers);
        if (operation.endsList) {
            break;
        }
        if (operation.transform) {
            const QTransform combined = *operation.transform * accumulated;
            // Huge factors can still overflow; such a step is as unreadable as its numbers.
            if (isFinite(combined)) {
                accumulated = combined;
            }
        }
        rest = rest.sliced(function->end);
    }
    return accumulated;
}

} // namespace marlox::vector
