#pragma once

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace marlox::vector {

// The whole text as one decimal number: an optional sign, digits with an optional fraction and
// exponent, nothing else (no white space, no locale). Infinite or not-a-number results,
// written ones ("inf", "nan") included, are unreadable; a value too small to represent reads as
// zero of its sign.
std::optional<double> readDouble(QStringView text);

// The reading steps of SVGScanner on a text the caller keeps alive, for readers that scan a
// value in place without copying it into a scanner.
struct SVGTextCursor {
    QStringView text;
    qsizetype location = 0;
    bool skipsWhitespace = true;

    qsizetype skippedLocation() const;
    bool isAtEnd() const { return skippedLocation() >= text.size(); }
    std::optional<double> scanDouble();
    std::optional<quint64> scanHexUInt64();

    template <typename Belongs> QStringView scanRun(Belongs belongs) {
        const qsizetype start = skippedLocation();
        qsizetype end = start;
        while (end < text.size() && belongs(text[end])) {
            ++end;
        }
        if (end > start) {
            location = end;
        }
        return text.sliced(start, end - start);
    }
};

// The parts of a plain decimal ("12", "-0.5", "3.25"), counted while a reader walks over it so
// that its value needs no second pass. At most 15 digits make an integer below 2^53 over a power
// of ten of at most 15, both exact, so one division gives the correctly rounded value: the one
// readDouble gives for the same text. Any other text has no value here.
class SVGPlainDecimal {
public:
    void setNegative() { m_negative = true; }
    void addDigit(char16_t digit) {
        if (++m_digits <= maximumDigits) {
            m_mantissa = m_mantissa * 10 + (digit - u'0');
        }
        m_fractionDigits += m_inFraction ? 1 : 0;
    }
    void startFraction() { m_inFraction = true; }

    // Inline, as it is read once per number of every path.
    std::optional<double> value() const {
        if (m_digits == 0 || m_digits > maximumDigits) {
            return std::nullopt;
        }
        // A whole number needs no division, which is by far the slowest step here.
        const double value = m_fractionDigits == 0
                                 ? double(m_mantissa)
                                 : double(m_mantissa) / powersOfTen[m_fractionDigits];
        return m_negative ? -value : value;
    }

private:
    static constexpr int maximumDigits = 15;
    static constexpr double powersOfTen[maximumDigits + 1] = {
        1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

    qint64 m_mantissa = 0;
    int m_digits = 0;
    int m_fractionDigits = 0;
    bool m_inFraction = false;
    bool m_negative = false;
};

// A cursor over a text that reads numbers and runs of characters from its front. Before every
// read it skips white space (when asked to); a read that finds nothing leaves the cursor where
// it was.
class SVGScanner {
public:
    explicit SVGScanner(QString text);

    const QString& text() const { return m_text; }
    qsizetype location() const { return m_location; }
    void setLocation(qsizetype location);

    // On by default: white space and line breaks before a read are passed over.
    bool skipsWhitespace() const { return m_skipsWhitespace; }
    void setSkipsWhitespace(bool skips) { m_skipsWhitespace = skips; }

    // True when nothing but skippable characters is left.
    bool isAtEnd() const;

    // A decimal number: optional sign, digits, optional fraction, optional exponent (taken only
    // when digits follow the "e"). A number that is not finite is not read.
    std::optional<double> scanDouble();

    // A hexadecimal number after an optional "0x" or "0X". A value too large for 64 bits reads
    // as the largest one, with all its digits consumed.
    std::optional<quint64> scanHexUInt64();

    // The longest run of characters that satisfy the test; nothing when the run is empty.
    std::optional<QString> scanCharacters(const std::function<bool(QChar)>& belongs);

    // The same run as a view into the text (empty when there is none), for readers that only
    // compare it.
    template <typename Belongs> QStringView scanRun(Belongs belongs) {
        SVGTextCursor cursor = this->cursor();
        const QStringView run = cursor.scanRun(belongs);
        m_location = cursor.location;
        return run;
    }

    // The exact text at the cursor.
    bool scanString(QStringView expected);

    // Moves past every character that satisfies the test, skipping nothing first.
    void skipCharacters(const std::function<bool(QChar)>& belongs);

private:
    SVGTextCursor cursor() const { return {m_text, m_location, m_skipsWhitespace}; }

    QString m_text;
    qsizetype m_location = 0;
    bool m_skipsWhitespace = true;
};

} // namespace marlox::vector
