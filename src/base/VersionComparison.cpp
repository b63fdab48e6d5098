#include "VersionComparison.h"

#include <limits>

namespace marlox::base {

std::optional<qint64> wholeNumber(QStringView text) {
    // Read in place, digit by digit: a catalog's versions hold thousands of pieces. The value is
    // gathered below zero, where the lowest one still fits.
    qsizetype position = 0;
    const bool negative = !text.isEmpty() && text.front() == u'-';
    if (negative || (!text.isEmpty() && text.front() == u'+')) {
        ++position;
    }
    if (position == text.size()) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (; position < text.size(); ++position) {
        const char16_t character = text[position].unicode();
        if (character < u'0' || character > u'9' || __builtin_mul_overflow(value, 10, &value) ||
            __builtin_sub_overflow(value, character - u'0', &value)) {
            return std::nullopt;
        }
    }
    if (negative) {
        return value;
    }
    if (value == std::numeric_limits<qint64>::min()) {
        return std::nullopt;
    }
    return -value;
}

namespace {

// The next piece between dots from `position` on that reads as a whole number, `position` then
// past it; empty pieces and those that read as none are passed over.
std::optional<qint64> nextVersionNumber(QStringView version, qsizetype& position) {
    while (position < version.size()) {
        // By hand: the search for a character is made for long texts, a piece is short.
        qsizetype end = position;
        while (end < version.size() && version[end] != u'.') {
            ++end;
        }
        const auto number = wholeNumber(version.sliced(position, end - position));
        position = end + 1;
        if (number) {
            return number;
        }
    }
    return std::nullopt;
}

} // namespace

int compareVersions(const QString& lhs, const QString& rhs) {
    // Read side by side, one number at a time, without a list of either: the screens compare a
    // whole catalog's versions with the records', which mostly hold the very same text.
    if (lhs == rhs) {
        return 0;
    }
    qsizetype left = 0;
    qsizetype right = 0;
    for (;;) {
        const auto a = nextVersionNumber(lhs, left);
        const auto b = nextVersionNumber(rhs, right);
        if (!a && !b) {
            return 0;
        }
        if (a.value_or(0) != b.value_or(0)) {
            return a.value_or(0) < b.value_or(0) ? -1 : 1;
        }
    }
}

} // namespace marlox::base
