#include "JsonFields.h"

#include <QJsonArray>
#include <QJsonValue>

namespace marlox::catalog {

void JsonFields::fail(QString description) {
    if (m_error.isEmpty()) {
        m_error = std::move(description);
    }
}

void JsonFields::failKey(QLatin1StringView key, const char* problem) {
    fail(QStringLiteral("%1: key \"%2\" %3.").arg(m_context, key, QLatin1String(problem)));
}

std::optional<QString> JsonFields::readString(QLatin1StringView key, bool required) {
    if (failed()) {
        return std::nullopt;
    }
    const auto found = m_object.constFind(key);
    if (found == m_object.constEnd() || found->isNull()) {
        if (required) {
            failKey(key, found == m_object.constEnd() ? "is missing" : "is null");
        }
        return std::nullopt;
    }
    if (!found->isString()) {
        failKey(key, "is not a string");
        return std::nullopt;
    }
    return found->toString();
}

std::optional<QStringList> JsonFields::readStringList(QLatin1StringView key, bool required) {
    if (failed()) {
        return std::nullopt;
    }
    const auto found = m_object.constFind(key);
    if (found == m_object.constEnd() || found->isNull()) {
        if (required) {
            failKey(key, found == m_object.constEnd() ? "is missing" : "is null");
        }
        return std::nullopt;
    }
    if (!found->isArray()) {
        failKey(key, "is not an array of strings");
        return std::nullopt;
    }
    const QJsonArray array = found->toArray();
    QStringList list;
    list.reserve(array.size());
    for (const QJsonValue& element : array) {
        if (!element.isString()) {
            failKey(key, "holds an element that is not a string");
            return std::nullopt;
        }
        list.append(element.toString());
    }
    return list;
}

QString JsonFields::requiredString(QLatin1StringView key) {
    return readString(key, true).value_or(QString());
}

std::optional<QString> JsonFields::optionalString(QLatin1StringView key) {
    return readString(key, false);
}

std::optional<QStringList> JsonFields::optionalStringList(QLatin1StringView key) {
    return readStringList(key, false);
}

QStringList JsonFields::requiredStringList(QLatin1StringView key) {
    return readStringList(key, true).value_or(QStringList());
}

} // namespace marlox::catalog
