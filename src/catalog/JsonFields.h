#pragma once

#include <QByteArrayView>
#include <QJsonObject>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

namespace marlox::catalog {

// One member's value as the field readers see it.
struct JsonFieldValue {
    enum class Kind { absent, null, string, stringList, other };
    Kind kind = Kind::absent;
    QString text;     // for string
    QStringList list; // for stringList (an array whose elements are all strings)

    static JsonFieldValue from(const QJsonValue& value);
};

// Reads the fields of one JSON object by the catalog's rules: a required key must be present with
// a non-null value of its type; an optional key may be absent or null; a present, non-null value
// of the wrong type is an error for either. The first error is kept and every later read is
// skipped, so a reader can read all its keys in order and check `failed()` once.
class JsonFields {
public:
    using Lookup = std::function<JsonFieldValue(QLatin1StringView key)>;

    // `kind` names the object in error messages ("Package", "Catalog"); `name` (when it gives a
    // text) names it further, and is asked only when an error is reported.
    JsonFields(QLatin1StringView kind, Lookup lookup, Lookup name = {})
        : m_kind(kind), m_lookup(std::move(lookup)), m_name(std::move(name)) {}
    JsonFields(const QJsonObject& object, QLatin1StringView kind);

    QString requiredString(QLatin1StringView key);
    std::optional<QString> optionalString(QLatin1StringView key);
    std::optional<QStringList> optionalStringList(QLatin1StringView key);
    // The value of a key that must be a string, for a caller that reads it further.
    std::optional<QString> requiredRaw(QLatin1StringView key) {
        return read(key, true, false).text;
    }

    void fail(QString description);
    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }

private:
    struct Read {
        std::optional<QString> text;
        std::optional<QStringList> list;
    };
    Read read(QLatin1StringView key, bool required, bool wantsList);
    void failKey(QLatin1StringView key, const char* problem);

    QLatin1StringView m_kind;
    Lookup m_lookup;
    Lookup m_name;
    QString m_error;
};

// The position of the key among `keys`; -1 when it is none of them.
template <size_t Count>
int keyIndex(const std::array<QLatin1StringView, Count>& keys, QByteArrayView key) {
    for (size_t index = 0; index < Count; ++index) {
        if (key == QByteArrayView(keys[index].data(), keys[index].size())) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

// Looks a key up among values read into slots, one per key of `keys`; each value is handed over
// once, as the field readers read each key once. Readers ask for the keys in their order, so the
// slot after the last one asked for is tried first.
template <size_t Count>
JsonFields::Lookup slotLookup(const std::array<QLatin1StringView, Count>& keys,
                              std::array<JsonFieldValue, Count>& values) {
    return [&keys, &values, next = size_t(0)](QLatin1StringView key) mutable {
        int index = next < Count && keys[next] == key
                        ? static_cast<int>(next)
                        : keyIndex(keys, QByteArrayView(key.data(), key.size()));
        if (index < 0) {
            return JsonFieldValue();
        }
        next = static_cast<size_t>(index) + 1;
        return std::move(values[static_cast<size_t>(index)]);
    };
}

} // namespace marlox::catalog
