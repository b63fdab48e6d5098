#include "vector/SVGScanner.h"

#include "vector/SVGCharacters.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace marlox::vector {

namespace {

// The power of ten of the leading significant digit of a decimal text that std::from_chars
// found out of range; it tells an overflow (positive) from an underflow (negative).
long long decimalMagnitude(std::string_view text) {
    qsizetype index = (text.front() == '-') ? 1 : 0;
    long long integerDigits = 0;
    long long leadingFractionZeros = 0;
    bool seenSignificant = false;
    bool inFraction = false;
    for (; index < qsizetype(text.size()) && text[index] != 'e' && text[index] != 'E'; ++index) {
        const char character = text[index];
        if (character == '.') {
            inFraction = true;
        } else if (!inFraction) {
            if (character != '0' || seenSignificant) {
                seenSignificant = true;
                ++integerDigits;
            }
        } else if (!seenSignificant) {
            if (character == '0') {
                ++leadingFractionZeros;
            } else {
                seenSignificant = true;
            }
        }
    }
    long long exponent = 0;
    if (index < qsizetype(text.size())) {
        ++index;
        const bool negative = index < qsizetype(text.size()) && text[index] == '-';
        if (index < qsizetype(text.size()) && (text[index] == '-' || text[index] == '+')) {
            ++index;
        }
        for (; index < qsizetype(text.size()); ++index) {
            exponent = std::min(exponent * 10 + (text[index] - '0'), 1'000'000'000LL);
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    const long long leading = integerDigits > 0 ? integerDigits - 1 : -leadingFractionZeros - 1;
    return leading + exponent;
}

std::optional<double> readPlainDecimal(QStringView text) {
    SVGPlainDecimal decimal;
    qsizetype index = 0;
    if (!text.isEmpty() && text[0] == u'-') {
        decimal.setNegative();
        index = 1;
    } else if (text.size() > 1 && text[0] == u'+' && text[1] != u'-' && text[1] != u'+') {
        index = 1;
    }
    bool inFraction = false;
    for (; index < text.size(); ++index) {
        const char16_t code = text[index].unicode();
        if (isAsciiDigit(code)) {
            decimal.addDigit(code);
        } else if (code == u'.' && !inFraction) {
            inFraction = true;
            decimal.startFraction();
        } else {
            return std::nullopt;
        }
    }
    return decimal.value();
}

// Any other decimal literal, through the standard conversion; kept out of line so that the
// plain case stays small.
Q_NEVER_INLINE std::optional<double> readGeneralDecimal(QStringView text) {
    // Numbers are short: the text is copied to the stack unless it is long.
    constexpr qsizetype shortLength = 64;
    char shortText[shortLength];
    std::string longText;
    char* latin = shortText;
    if (text.size() > shortLength) {
        longText.resize(size_t(text.size()));
        latin = longText.data();
    }
    for (qsizetype index = 0; index < text.size(); ++index) {
        const char16_t code = text[index].unicode();
        // Written-out non-finite values and hexadecimal forms are not numbers here.
        if (!isAsciiDigit(code) && code != u'-' && code != u'.' && code != u'e' && code != u'E' &&
            code != u'+') {
            return std::nullopt;
        }
        latin[index] = char(code);
    }
    std::string_view number(latin, size_t(text.size()));
    // A leading "+" is allowed; std::from_chars takes none.
    if (number.size() > 1 && number[0] == '+' && number[1] != '-' && number[1] != '+') {
        number.remove_prefix(1);
    }
    if (number.empty()) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (end != number.data() + number.size()) {
        return std::nullopt;
    }
    if (error == std::errc::result_out_of_range) {
        if (decimalMagnitude(number) < 0) {
            return number.front() == '-' ? -0.0 : 0.0;
        }
        return std::nullopt;
    }
    if (error != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<double> readDouble(QStringView text) {
    if (const std::optional<double> plain = readPlainDecimal(text)) {
        return plain;
    }
    return readGeneralDecimal(text);
}

SVGScanner::SVGScanner(QString text) : m_text(std::move(text)) {}

void SVGScanner::setLocation(qsizetype location) {
    m_location = std::clamp<qsizetype>(location, 0, m_text.size());
}

qsizetype SVGTextCursor::skippedLocation() const {
    qsizetype skipped = location;
    if (skipsWhitespace) {
        while (skipped < text.size() && text[skipped].isSpace()) {
            ++skipped;
        }
    }
    return skipped;
}

std::optional<double> SVGTextCursor::scanDouble() {
    const qsizetype start = skippedLocation();
    qsizetype position = start;
    // The digits are counted on the way, so that a plain number needs no second pass.
    SVGPlainDecimal decimal;
    const auto digitsFrom = [this, &decimal](qsizetype from) {
        while (from < text.size() && isAsciiDigit(text[from])) {
            decimal.addDigit(text[from].unicode());
            ++from;
        }
        return from;
    };
    if (position < text.size() && (text[position] == u'-' || text[position] == u'+')) {
        if (text[position] == u'-') {
            decimal.setNegative();
        }
        ++position;
    }
    const qsizetype integerEnd = digitsFrom(position);
    qsizetype mantissaEnd = integerEnd;
    bool hasDigits = integerEnd > position;
    if (mantissaEnd < text.size() && text[mantissaEnd] == u'.') {
        decimal.startFraction();
        const qsizetype fractionEnd = digitsFrom(mantissaEnd + 1);
        hasDigits = hasDigits || fractionEnd > mantissaEnd + 1;
        mantissaEnd = fractionEnd;
    }
    if (!hasDigits) {
        return std::nullopt;
    }
    qsizetype end = mantissaEnd;
    if (end < text.size() && (text[end] == u'e' || text[end] == u'E')) {
        qsizetype exponentStart = end + 1;
        if (exponentStart < text.size() &&
            (text[exponentStart] == u'-' || text[exponentStart] == u'+')) {
            ++exponentStart;
        }
        const qsizetype exponentEnd = digitsFrom(exponentStart);
        if (exponentEnd > exponentStart) {
            end = exponentEnd;
        }
    }
    std::optional<double> value;
    if (end == mantissaEnd) {
        value = decimal.value();
    }
    if (!value) {
        value = readDouble(text.sliced(start, end - start));
    }
    if (value) {
        location = end;
    }
    return value;
}

std::optional<quint64> SVGTextCursor::scanHexUInt64() {
    qsizetype position = skippedLocation();
    // The prefix counts only with a digit after it; "0xg" reads as 0 and stops at the "x".
    const QStringView rest = text.sliced(position);
    if (rest.size() > 2 && rest[0] == u'0' && (rest[1] == u'x' || rest[1] == u'X') &&
        hexDigitValue(rest[2]) >= 0) {
        position += 2;
    }
    quint64 value = 0;
    bool overflowed = false;
    const qsizetype digitsStart = position;
    for (; position < text.size(); ++position) {
        const int digit = hexDigitValue(text[position]);
        if (digit < 0) {
            break;
        }
        if (value > (std::numeric_limits<quint64>::max() >> 4)) {
            overflowed = true;
        }
        value = (value << 4) | quint64(digit);
    }
    if (position == digitsStart) {
        return std::nullopt;
    }
    location = position;
    return overflowed ? std::numeric_limits<quint64>::max() : value;
}

bool SVGScanner::isAtEnd() const {
    return cursor().isAtEnd();
}

std::optional<double> SVGScanner::scanDouble() {
    SVGTextCursor cursor = this->cursor();
    const std::optional<double> value = cursor.scanDouble();
    m_location = cursor.location;
    return value;
}

std::optional<quint64> SVGScanner::scanHexUInt64() {
    SVGTextCursor cursor = this->cursor();
    const std::optional<quint64> value = cursor.scanHexUInt64();
    m_location = cursor.location;
    return value;
}

std::optional<QString> SVGScanner::scanCharacters(const std::function<bool(QChar)>& belongs) {
    const qsizetype start = cursor().skippedLocation();
    qsizetype end = start;
    while (end < m_text.size() && belongs(m_text.at(end))) {
        ++end;
    }
    if (end == start) {
        return std::nullopt;
    }
    m_location = end;
    return m_text.sliced(start, end - start);
}

bool SVGScanner::scanString(QStringView expected) {
    const qsizetype start = cursor().skippedLocation();
    if (expected.isEmpty() || !QStringView(m_text).sliced(start).startsWith(expected)) {
        return false;
    }
    m_location = start + expected.size();
    return true;
}

void SVGScanner::skipCharacters(const std::function<bool(QChar)>& belongs) {
    while (m_location < m_text.size() && belongs(m_text.at(m_location))) {
        ++m_location;
    }
}

} // namespace marlox::vector
