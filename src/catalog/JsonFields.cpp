#include "JsonFields.h"

#include <QJsonArray>
#include <QJsonValue>

namespace marlox::catalog {

JsonFieldValue JsonFieldValue::from(const QJsonValue& value) {
    JsonFieldValue field;
    switch (value.type()) {
    case QJsonValue::Undefined:
        field.kind = Kind::absent;
        break;
    case QJsonValue::Null:
        field.kind = Kind::null;
        break;
    case QJsonValue::String:
        field.kind = Kind::string;
        field.text = value.toString();
        break;
    case QJsonValue::Array: {
        field.kind = Kind::stringList;
        for (const QJsonValue& element : value.toArray()) {
            if (!element.isString()) {
                field.kind = Kind::other;
                field.list.clear();
                break;
            }
            field.list.append(element.toString());
        }
        break;
    }
    default:
        field.kind = Kind::other;
        break;
    }
    return field;
}

JsonFields::JsonFields(const QJsonObject& object, QLatin1StringView kind)
    : m_kind(kind), m_lookup([&object](QLatin1StringView key) {
          return JsonFieldValue::from(object.value(key));
      }),
      m_name([&object](QLatin1StringView) {
          return JsonFieldValue::from(object.value(QLatin1String("id")));
      }) {}

void JsonFields::fail(QString description) {
    if (m_error.isEmpty()) {
        m_error = std::move(description);
    }
}

void JsonFields::failKey(QLatin1StringView key, const char* problem) {
    QString name = m_kind;
    if (m_name) {
        if (const JsonFieldValue id = m_name(QLatin1String("id"));
            id.kind == JsonFieldValue::Kind::string) {
            name = QStringLiteral("%1 \"%2\"").arg(m_kind, id.text);
        }
    }
    fail(QStringLiteral("%1: key \"%2\" %3.").arg(name, key, QLatin1String(problem)));
}

JsonFields::Read JsonFields::read(QLatin1StringView key, bool required, bool wantsList) {
    if (failed()) {
        return {};
    }
    JsonFieldValue value = m_lookup(key);
    using Kind = JsonFieldValue::Kind;
    if (value.kind == Kind::absent || value.kind == Kind::null) {
        if (required) {
            failKey(key, value.kind == Kind::absent ? "is missing" : "is null");
        }
        return {};
    }
    if (wantsList) {
        if (value.kind != Kind::stringList) {
            failKey(key, "is not an array of strings");
            return {};
        }
        return {std::nullopt, std::move(value.list)};
    }
    if (value.kind != Kind::string) {
        failKey(key, "is not a string");
        return {};
    }
    return {std::move(value.text), std::nullopt};
}

QString JsonFields::requiredString(QLatin1StringView key) {
    return read(key, true, false).text.value_or(QString());
}

std::optional<QString> JsonFields::optionalString(QLatin1StringView key) {
    return read(key, false, false).text;
}

std::optional<QStringList> JsonFields::optionalStringList(QLatin1StringView key) {
    return read(key, false, true).list;
}

} // namespace marlox::catalog
