#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace marlox::catalog {

// A strict pull reader of JSON text (RFC 8259, UTF-8). It reads values straight into the caller's
// fields, so decoding a catalog allocates nothing beyond the strings it keeps. Every read returns
// false on malformed input and leaves the reason in error().
class JsonReader {
public:
    enum class Kind { object, array, string, number, boolean, null, invalid };

    explicit JsonReader(QByteArrayView json)
        : m_position(json.data()), m_end(json.data() + json.size()) {}

    // The kind of the next value, without consuming it.
    Kind peek();

    bool beginObject();
    // Moves to the next member of the object being read: false at its end (consumed) or on error,
    // which failed() tells apart. The key's UTF-8 bytes stay valid until the next read.
    bool nextMember(bool& first, QByteArrayView& key);

    bool beginArray();
    bool nextElement(bool& first);

    bool readString(QString& value);
    // Consumes any value, checking its grammar.
    bool skipValue();
    // Nothing but white space may follow the top-level value.
    bool finish();

    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }

private:
    void skipWhiteSpace();
    bool expect(char character);
    // Past the separator to the next item of an object or array; false at its closing bracket.
    bool nextItem(bool& first, char closing);
    bool fail(const char* problem);
    // Reads a string's raw content into m_scratch (escapes decoded, as UTF-8).
    bool readStringBytes(QByteArrayView& bytes);
    bool readNumber();
    bool readLiteral(const char* literal);
    bool skipValue(int depth);

    const char* m_position;
    const char* m_end;
    const char* m_begin = m_position;
    QByteArray m_scratch;
    QString m_error;
};

} // namespace marlox::catalog
