#include "ShownText.h"

#include <algorithm>

namespace marlox::base {
namespace {

bool isBidiControl(QChar character) {
    const char16_t code = character.unicode();
    return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

} // namespace

QString withoutBidiControls(const QString& text) {
    // Most texts hold none, and are handed back without a copy.
    if (std::none_of(text.cbegin(), text.cend(), isBidiControl)) {
        return text;
    }
    QString cleaned = text;
    cleaned.removeIf(isBidiControl);
    return cleaned;
}

QString leadingCharacters(const QString& text, qsizetype count) {
    count = std::max<qsizetype>(count, 0);
    if (text.size() <= count) {
        return text;
    }
    if (count > 0 && text.at(count - 1).isHighSurrogate()) {
        --count;
    }
    return text.first(count);
}

QString textCutForShowing(const QString& text, qsizetype maximumCharacters) {
    if (text.size() <= maximumCharacters) {
        return text;
    }
    return leadingCharacters(text, maximumCharacters) + QChar(0x2026);
}

bool isControlCharacter(QChar character) {
    return character.unicode() < 0x20 || character.unicode() == 0x7f;
}

} // namespace marlox::base
