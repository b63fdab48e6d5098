#include "XMLReadings.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace marlox::base {
namespace {

bool isBlank(char character) {
    return character == ' ' || character == '\t' || character == '\r' || character == '\n';
}

bool isNameCharacter(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9') || character == '-' || character == '_' ||
           character == '.' || character == ':';
}

qsizetype skipBlanks(QByteArrayView text, qsizetype at) {
    while (at < text.size() && isBlank(text[at])) {
        ++at;
    }
    return at;
}

// The value with its character references written out, as the stream reader reads an
// encoding's name ("UTF&#45;7" names UTF-7); empty when one stands for no ASCII character,
// which no encoding's name holds.
QByteArray withCharacterReferences(QByteArrayView value) {
    QByteArray written;
    for (qsizetype at = 0; at < value.size(); ++at) {
        if (value[at] != '&' || at + 1 == value.size() || value[at + 1] != '#') {
            written += value[at];
            continue;
        }
        const qsizetype end = value.indexOf(';', at);
        if (end < 0) {
            return written.append(value.sliced(at));
        }
        const QByteArray digits = value.sliced(at + 2, end - at - 2).toByteArray();
        bool read = false;
        const uint code =
            digits.startsWith('x') ? digits.sliced(1).toUInt(&read, 16) : digits.toUInt(&read, 10);
        if (!read || code == 0 || code > 0x7f) {
            return {};
        }
        written += static_cast<char>(code);
        at = end;
    }
    return written;
}

// The values of the "encoding" pseudo-attributes of the XML declaration that opens the text, in
// order: the stream reader takes the last of them. Reading stops where the declaration's
// attributes end, or where the reader would find it malformed and read no further.
QList<QByteArray> declaredEncodings(QByteArrayView text) {
    QList<QByteArray> names;
    constexpr QByteArrayView opening = "<?xml";
    if (!text.startsWith(opening) || text.size() == opening.size() ||
        !isBlank(text[opening.size()])) {
        return names;
    }
    qsizetype at = opening.size();
    while (true) {
        at = skipBlanks(text, at);
        const qsizetype nameStart = at;
        while (at < text.size() && isNameCharacter(text[at])) {
            ++at;
        }
        const QByteArrayView name = text.sliced(nameStart, at - nameStart);
        at = skipBlanks(text, at);
        if (name.isEmpty() || at == text.size() || text[at] != '=') {
            return names;
        }
        at = skipBlanks(text, at + 1);
        if (at == text.size() || (text[at] != '"' && text[at] != '\'')) {
            return names;
        }
        const qsizetype valueEnd = text.indexOf(text[at], at + 1);
        if (valueEnd < 0) {
            return names;
        }
        if (name == "encoding") {
            names.append(withCharacterReferences(text.sliced(at + 1, valueEnd - at - 1)));
        }
        at = valueEnd + 1;
    }
}

bool namesUtf8(const QByteArray& encoding) {
    return encoding.compare("UTF-8", Qt::CaseInsensitive) == 0 ||
           encoding.compare("UTF8", Qt::CaseInsensitive) == 0;
}

// Where "<!ENTITY", blanks, then "%" first is; -1 when nowhere.
qsizetype parameterEntityOffset(QByteArrayView text) {
    constexpr QByteArrayView keyword = "<!ENTITY";
    for (qsizetype at = text.indexOf(keyword); at >= 0; at = text.indexOf(keyword, at + 1)) {
        const qsizetype next = skipBlanks(text, at + keyword.size());
        if (next > at + keyword.size() && next < text.size() && text[next] == '%') {
            return at;
        }
    }
    return -1;
}

TextPosition positionOf(QByteArrayView text, qsizetype offset) {
    TextPosition position;
    qsizetype lineStart = 0;
    for (qsizetype at = 0; at < offset; ++at) {
        const bool endsLine = text[at] == '\n' ||
                              (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n'));
        if (endsLine) {
            ++position.line;
            lineStart = at + 1;
        }
    }
    position.column = QString::fromUtf8(text.sliced(lineStart, offset - lineStart)).size();
    return position;
}

} // namespace

XMLReadings::XMLReadings(const QByteArray& data) : m_texts{data} {
    const auto sniffed = QStringConverter::encodingForData(data, u'<');
    // The reader reads the declaration in the encoding the first bytes show, else as UTF-8.
    QByteArrayView declared = data;
    if (sniffed && *sniffed != QStringConverter::Utf8) {
        m_texts.append(QString(QStringDecoder(*sniffed).decode(data)).toUtf8());
        declared = m_texts.back();
    } else if (declared.startsWith("\xEF\xBB\xBF")) {
        declared = declared.sliced(3);
    }
    for (const QByteArray& name : declaredEncodings(declared)) {
        if (name.isEmpty() || namesUtf8(name)) {
            continue;
        }
        QStringDecoder decoder(name.constData());
        if (decoder.isValid()) {
            QByteArray text = QString(decoder.decode(data)).toUtf8();
            if (!m_texts.contains(text)) {
                m_texts.append(std::move(text));
            }
        }
    }
}

std::optional<TextPosition> XMLReadings::parameterEntityDeclaration() const {
    for (const QByteArray& text : m_texts) {
        if (const qsizetype offset = parameterEntityOffset(text); offset >= 0) {
            return positionOf(text, offset);
        }
    }
    return std::nullopt;
}

} // namespace marlox::base
