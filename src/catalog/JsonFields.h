#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::catalog {

// Reads the fields of one JSON object by the catalog's rules: a required key must be present with
// a non-null value of its type; an optional key may be absent or null; a present, non-null value
// of the wrong type is an error for either. The first error is kept and every later read is
// skipped, so a reader can read all its keys in order and check `failed()` once.
class JsonFields {
public:
    JsonFields(const QJsonObject& object, QString context)
        : m_object(object), m_context(std::move(context)) {}

    QString requiredString(QLatin1StringView key);
    std::optional<QString> optionalString(QLatin1StringView key);
    std::optional<QStringList> optionalStringList(QLatin1StringView key);
    QStringList requiredStringList(QLatin1StringView key);
    // The value of a key that must be a string, for a caller that reads it further.
    std::optional<QString> requiredRaw(QLatin1StringView key) { return readString(key, true); }

    void fail(QString description);
    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }

private:
    std::optional<QString> readString(QLatin1StringView key, bool required);
    std::optional<QStringList> readStringList(QLatin1StringView key, bool required);
    void failKey(QLatin1StringView key, const char* problem);

    const QJsonObject& m_object;
    QString m_context;
    QString m_error;
};

} // namespace marlox::catalog
