#include "vector/SVGSerialize.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace marlox::vector {

namespace {

// Plain decimal notation between these powers of ten, exponent form outside them.
constexpr int smallestPlainExponent = -4;
constexpr int largestPlainExponent = 15;

} // namespace

QString serialize(double value) {
    if (std::isnan(value)) {
        return QStringLiteral("nan");
    }
    if (std::isinf(value)) {
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    }

    // The shortest digits that read back as the value, as d.ddde±x.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const std::string_view scientific(buffer, size_t(result.ptr - buffer));
    const size_t exponentAt = scientific.find('e');
    const bool negative = scientific.front() == '-';
    std::string digits;
    for (const char character :
         scientific.substr(negative ? 1 : 0, exponentAt - (negative ? 1 : 0))) {
        if (character != '.') {
            digits.push_back(character);
        }
    }
    const int exponent = std::atoi(std::string(scientific.substr(exponentAt + 1)).c_str());

    QString text = negative ? QStringLiteral("-") : QString();
    if (value != 0 && (exponent < smallestPlainExponent || exponent > largestPlainExponent)) {
        text += QLatin1Char(digits.front());
        if (digits.size() > 1) {
            text += QLatin1Char('.') + QString::fromLatin1(digits.substr(1));
        }
        text += QStringLiteral("e%1%2")
                    .arg(exponent < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                    .arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
        return text;
    }
    if (exponent < 0) {
        text += QStringLiteral("0.") + QString(-exponent - 1, QLatin1Char('0')) +
                QString::fromLatin1(digits);
        return text;
    }
    const size_t integerDigits = size_t(exponent) + 1;
    if (digits.size() <= integerDigits) {
        // A whole number: no ".0" is written.
        text += QString::fromLatin1(digits) +
                QString(qsizetype(integerDigits - digits.size()), QLatin1Char('0'));
        return text;
    }
    text += QString::fromLatin1(digits.substr(0, integerDigits)) + QLatin1Char('.') +
            QString::fromLatin1(digits.substr(integerDigits));
    return text;
}

QString serialize(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace marlox::vector
