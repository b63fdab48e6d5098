#pragma once

#include <QChar>

namespace marlox::vector {

inline bool isAsciiDigit(QChar character) {
    return character >= u'0' && character <= u'9';
}

inline bool isAsciiLetter(QChar character) {
    return (character >= u'a' && character <= u'z') || (character >= u'A' && character <= u'Z');
}

// 0 to 15, or -1 for a character that is no hexadecimal digit.
inline int hexDigitValue(QChar character) {
    const char16_t code = character.unicode();
    if (code >= u'0' && code <= u'9') {
        return code - u'0';
    }
    if (code >= u'a' && code <= u'f') {
        return code - u'a' + 10;
    }
    if (code >= u'A' && code <= u'F') {
        return code - u'A' + 10;
    }
    return -1;
}

} // namespace marlox::vector
