#include "VersionComparison.h"

#include <algorithm>
#include <charconv>

namespace marlox::base {

std::optional<qint64> wholeNumber(QStringView text) {
    for (QChar character : text) {
        if (character.unicode() >= 128) {
            return std::nullopt;
        }
    }
    const QByteArray latin1 = text.toLatin1();
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
    for (QStringView piece : QStringView(version).split(u'.', Qt::SkipEmptyParts)) {
        if (auto number = wholeNumber(piece)) {
            numbers.append(*number);
        }
    }
    return numbers;
}

int compareVersions(const QString& lhs, const QString& rhs) {
    return compareVersionNumbers(versionNumbers(lhs), versionNumbers(rhs));
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
