#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

namespace marlox::base {

// A place in a text as the stream reader tells one: lines count from 1 (a carriage return and a
// line feed together end one), the column is the number of characters before it on its line.
struct TextPosition {
    qint64 line = 1;
    qint64 column = 0;

    friend bool operator==(const TextPosition&, const TextPosition&) = default;
};

// An XML document's markup as UTF-8, once for each way the stream reader may read its bytes: as
// UTF-8, in the encoding its first bytes show (a byte-order mark, or "<" in UTF-16 or UTF-32) and
// in each encoding its XML declaration names. Worked out from the bytes alone, so that a reader
// can refuse what the stream reader would otherwise do before it reports anything.
class XMLReadings {
public:
    explicit XMLReadings(const QByteArray& data);

    const QList<QByteArray>& texts() const { return m_texts; }

    // Where the first declaration of a parameter entity ("<!ENTITY", blanks, "%") is, in the
    // first reading that has one. The stream reader expands such entities inside the type
    // declaration, however large they grow, before it reports that declaration.
    std::optional<TextPosition> parameterEntityDeclaration() const;

private:
    QList<QByteArray> m_texts;
};

} // namespace marlox::base
