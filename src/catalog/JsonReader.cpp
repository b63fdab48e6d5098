#include "JsonReader.h"

#include <cstring>

namespace marlox::catalog {
namespace {

// Deeper nesting than any catalog needs is refused rather than recursed into.
constexpr int maximumDepth = 256;

int hexValue(char character) {
    if (character >= '0' && character <= '9') {
        return character - '0';
    }
    if (character >= 'a' && character <= 'f') {
        return character - 'a' + 10;
    }
    if (character >= 'A' && character <= 'F') {
        return character - 'A' + 10;
    }
    return -1;
}

void appendUtf8(QByteArray& bytes, char32_t codePoint) {
    if (codePoint < 0x80) {
        bytes.append(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        bytes.append(static_cast<char>(0xC0 | (codePoint >> 6)));
        bytes.append(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        bytes.append(static_cast<char>(0xE0 | (codePoint >> 12)));
        bytes.append(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        bytes.append(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        bytes.append(static_cast<char>(0xF0 | (codePoint >> 18)));
        bytes.append(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        bytes.append(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        bytes.append(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// Length of the well-formed UTF-8 sequence at `text`, or 0 when it is not one (overlong forms,
// surrogates and code points above U+10FFFF are not).
int utf8SequenceLength(const unsigned char* text, const unsigned char* end) {
    const unsigned char lead = text[0];
    int length = 0;
    char32_t codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (end - text < length) {
        return 0;
    }
    for (int index = 1; index < length; ++index) {
        if ((text[index] & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (text[index] & 0x3F);
    }
    const bool overlong =
        (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return overlong || surrogate || codePoint > 0x10FFFF ? 0 : length;
}

} // namespace

bool JsonReader::fail(const char* problem) {
    if (m_error.isEmpty()) {
        m_error = QStringLiteral("The catalog is not valid JSON: %1 at offset %2.")
                      .arg(QLatin1String(problem))
                      .arg(m_position - m_begin);
    }
    return false;
}

void JsonReader::skipWhiteSpace() {
    while (m_position != m_end && (*m_position == ' ' || *m_position == '\n' ||
                                   *m_position == '\r' || *m_position == '\t')) {
        ++m_position;
    }
}

bool JsonReader::expect(char character) {
    skipWhiteSpace();
    if (m_position == m_end || *m_position != character) {
        return fail(m_position == m_end ? "unexpected end" : "unexpected character");
    }
    ++m_position;
    return true;
}

JsonReader::Kind JsonReader::peek() {
    skipWhiteSpace();
    if (failed() || m_position == m_end) {
        return Kind::invalid;
    }
    switch (*m_position) {
    case '{':
        return Kind::object;
    case '[':
        return Kind::array;
    case '"':
        return Kind::string;
    case 't':
    case 'f':
        return Kind::boolean;
    case 'n':
        return Kind::null;
    default:
        return (*m_position == '-' || (*m_position >= '0' && *m_position <= '9')) ? Kind::number
                                                                                  : Kind::invalid;
    }
}

bool JsonReader::beginObject() {
    return expect('{');
}

bool JsonReader::nextItem(bool& first, char closing) {
    skipWhiteSpace();
    if (m_position == m_end) {
        return fail(closing == '}' ? "unterminated object" : "unterminated array");
    }
    if (*m_position == closing) {
        ++m_position;
        return false;
    }
    if (!first && !expect(',')) {
        return false;
    }
    first = false;
    return true;
}

bool JsonReader::nextMember(bool& first, QByteArrayView& key) {
    if (!nextItem(first, '}')) {
        return false;
    }
    skipWhiteSpace();
    if (m_position == m_end || *m_position != '"') {
        return fail("expected a key");
    }
    return readStringBytes(key) && expect(':');
}

bool JsonReader::beginArray() {
    return expect('[');
}

bool JsonReader::nextElement(bool& first) {
    return nextItem(first, ']');
}

bool JsonReader::readStringBytes(QByteArrayView& bytes) {
    ++m_position; // the opening quote
    const char* runStart = m_position;
    bool escaped = false;
    m_scratch.clear();
    while (true) {
        if (m_position == m_end) {
            return fail("unterminated string");
        }
        const auto character = static_cast<unsigned char>(*m_position);
        if (character == '"') {
            break;
        }
        if (character < 0x20) {
            return fail("control character in string");
        }
        if (character >= 0x80) {
            const int length =
                utf8SequenceLength(reinterpret_cast<const unsigned char*>(m_position),
                                   reinterpret_cast<const unsigned char*>(m_end));
            if (length == 0) {
                return fail("invalid UTF-8 in string");
            }
            m_position += length;
            continue;
        }
        if (character != '\\') {
            ++m_position;
            continue;
        }
        // An escape: the plain run before it goes to the scratch buffer first.
        escaped = true;
        m_scratch.append(runStart, m_position - runStart);
        if (m_end - m_position < 2) {
            return fail("unterminated escape");
        }
        const char code = m_position[1];
        m_position += 2;
        switch (code) {
        case '"':
        case '\\':
        case '/':
            m_scratch.append(code);
            break;
        case 'b':
            m_scratch.append('\b');
            break;
        case 'f':
            m_scratch.append('\f');
            break;
        case 'n':
            m_scratch.append('\n');
            break;
        case 'r':
            m_scratch.append('\r');
            break;
        case 't':
            m_scratch.append('\t');
            break;
        case 'u': {
            const auto readUnit = [this](char32_t& unit) {
                if (m_end - m_position < 4) {
                    return false;
                }
                unit = 0;
                for (int index = 0; index < 4; ++index) {
                    const int digit = hexValue(m_position[index]);
                    if (digit < 0) {
                        return false;
                    }
                    unit = unit * 16 + static_cast<char32_t>(digit);
                }
                m_position += 4;
                return true;
            };
            char32_t unit = 0;
            if (!readUnit(unit)) {
                return fail("bad \\u escape");
            }
            if (unit >= 0xD800 && unit <= 0xDBFF && m_end - m_position >= 6 &&
                m_position[0] == '\\' && m_position[1] == 'u') {
                const char* afterHigh = m_position;
                m_position += 2;
                char32_t low = 0;
                if (readUnit(low) && low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                } else {
                    m_position = afterHigh;
                }
            }
            // A lone surrogate cannot be kept in UTF-8; it reads as the replacement character.
            appendUtf8(m_scratch, unit >= 0xD800 && unit <= 0xDFFF ? char32_t(0xFFFD) : unit);
            break;
        }
        default:
            return fail("bad escape");
        }
        runStart = m_position;
    }
    if (escaped) {
        m_scratch.append(runStart, m_position - runStart);
        bytes = m_scratch;
    } else {
        bytes = QByteArrayView(runStart, m_position - runStart);
    }
    ++m_position; // the closing quote
    return true;
}

bool JsonReader::readString(QString& value) {
    if (peek() != Kind::string) {
        return fail("expected a string");
    }
    QByteArrayView bytes;
    if (!readStringBytes(bytes)) {
        return false;
    }
    value = QString::fromUtf8(bytes);
    return true;
}

bool JsonReader::readNumber() {
    const auto isDigit = [this] {
        return m_position != m_end && *m_position >= '0' && *m_position <= '9';
    };
    if (*m_position == '-') {
        ++m_position;
    }
    if (!isDigit()) {
        return fail("bad number");
    }
    if (*m_position == '0') {
        ++m_position;
    } else {
        while (isDigit()) {
            ++m_position;
        }
    }
    if (m_position != m_end && *m_position == '.') {
        ++m_position;
        if (!isDigit()) {
            return fail("bad number");
        }
        while (isDigit()) {
            ++m_position;
        }
    }
    if (m_position != m_end && (*m_position == 'e' || *m_position == 'E')) {
        ++m_position;
        if (m_position != m_end && (*m_position == '+' || *m_position == '-')) {
            ++m_position;
        }
        if (!isDigit()) {
            return fail("bad number");
        }
        while (isDigit()) {
            ++m_position;
        }
    }
    return true;
}

bool JsonReader::readLiteral(const char* literal) {
    const size_t length = std::strlen(literal);
    if (static_cast<size_t>(m_end - m_position) < length ||
        std::memcmp(m_position, literal, length) != 0) {
        return fail("bad literal");
    }
    m_position += length;
    return true;
}

bool JsonReader::skipValue() {
    return skipValue(0);
}

bool JsonReader::skipValue(int depth) {
    if (depth > maximumDepth) {
        return fail("nesting too deep");
    }
    switch (peek()) {
    case Kind::object: {
        ++m_position;
        bool first = true;
        QByteArrayView key;
        while (nextMember(first, key)) {
            if (!skipValue(depth + 1)) {
                return false;
            }
        }
        return !failed();
    }
    case Kind::array: {
        ++m_position;
        bool first = true;
        while (nextElement(first)) {
            if (!skipValue(depth + 1)) {
                return false;
            }
        }
        return !failed();
    }
    case Kind::string: {
        QByteArrayView ignored;
        return readStringBytes(ignored);
    }
    case Kind::number:
        return readNumber();
    case Kind::boolean:
        return readLiteral(*m_position == 't' ? "true" : "false");
    case Kind::null:
        return readLiteral("null");
    case Kind::invalid:
        break;
    }
    return fail(m_position == m_end ? "unexpected end" : "unexpected character");
}

bool JsonReader::finish() {
    skipWhiteSpace();
    return m_position == m_end || fail("garbage after the document");
}

} // namespace marlox::catalog
