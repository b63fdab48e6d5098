#include "VersionComparison.h"

#include <QVarLengthArray>

#include <algorithm>
#include <charconv>

namespace marlox::base {

std::optional<qint64> wholeNumber(QStringView text) {
    // Kept on the stack when short: a catalog's versions hold thousands of pieces.
    QVarLengthArray<char, 32> latin1(text.size());
    for (qsizetype position = 0; position < text.size(); ++position) {
        const char16_t character = text[position].unicode();
        if (character >= 128) {
            return std::nullopt;
        }
        latin1[position] = static_cast<char>(character);
    }
    const char* begin = latin1.constData();
    const char* end = begin + latin1.size();
    if (begin != end && *begin == '+') {
        ++begin;
        // "+-1" is not a number.
        if (begin != end && *begin == '-') {
            return std::nullopt;
        }
    }
    if (begin == end) {
        return std::nullopt;
    }
    qint64 value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

QList<qint64> versionNumbers(const QString& version) {
    QList<qint64> numbers;
    for (QStringView piece : QStringView(version).tokenize(u'.', Qt::SkipEmptyParts)) {
        if (auto number = wholeNumber(piece)) {
            numbers.append(*number);
        }
    }
    return numbers;
}

int compareVersions(const QString& lhs, const QString& rhs) {
    // Read side by side, one number at a time, without a list of either: the screens compare a
    // whole catalog's versions with the records'.
    const auto leftPieces = QStringView(lhs).tokenize(u'.', Qt::SkipEmptyParts);
    const auto rightPieces = QStringView(rhs).tokenize(u'.', Qt::SkipEmptyParts);
    auto left = leftPieces.begin();
    auto right = rightPieces.begin();
    const auto nextNumber = [](auto& piece, const auto& end) -> std::optional<qint64> {
        for (; piece != end; ++piece) {
            if (const auto number = wholeNumber(*piece)) {
                ++piece;
                return number;
            }
        }
        return std::nullopt;
    };
    for (;;) {
        const auto a = nextNumber(left, leftPieces.end());
        const auto b = nextNumber(right, rightPieces.end());
        if (!a && !b) {
            return 0;
        }
        if (a.value_or(0) != b.value_or(0)) {
            return a.value_or(0) < b.value_or(0) ? -1 : 1;
        }
    }
}

int compareVersionNumbers(const QList<qint64>& left, const QList<qint64>& right) {
    const qsizetype length = std::max(left.size(), right.size());
    for (qsizetype position = 0; position < length; ++position) {
        const qint64 a = position < left.size() ? left[position] : 0;
        const qint64 b = position < right.size() ? right[position] : 0;
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    return 0;
}

} // namespace marlox::base
