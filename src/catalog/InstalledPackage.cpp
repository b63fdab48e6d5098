#include "InstalledPackage.h"

#include "JsonDocument.h"
#include "catalog/JsonFields.h"

#include <QHash>

#include <algorithm>
#include <utility>

namespace marlox::catalog {
namespace {

// A JSON string literal: quote, backslash and control characters escaped, the rest as UTF-8.
QByteArray jsonString(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray literal;
    literal.reserve(utf8.size() + 2);
    literal += '"';
    for (const char byte : utf8) {
        switch (byte) {
        case '"':
            literal += "\\\"";
            break;
        case '\\':
            literal += "\\\\";
            break;
        case '\n':
            literal += "\\n";
            break;
        case '\r':
            literal += "\\r";
            break;
        case '\t':
            literal += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(byte) < 0x20) {
                literal += "\\u00";
                literal +=
                    QByteArray::number(static_cast<unsigned char>(byte), 16).rightJustified(2, '0');
            } else {
                literal += byte;
            }
        }
    }
    literal += '"';
    return literal;
}

// QJsonObject would sort the keys; the file keeps them in field order.
QByteArray encodeInstalledPackage(const InstalledPackage& record) {
    QByteArray paths = "[";
    for (qsizetype index = 0; index < record.templateInstallPaths.size(); ++index) {
        if (index > 0) {
            paths += ',';
        }
        paths += jsonString(record.templateInstallPaths[index]);
    }
    paths += ']';
    return "{\"id\":" + jsonString(record.id) + ",\"version\":" + jsonString(record.version) +
           ",\"installedAtISO8601\":" + jsonString(record.installedAtISO8601) +
           ",\"packageType\":" + jsonString(rawValue(record.packageType)) +
           ",\"installPath\":" + jsonString(record.installPath) +
           ",\"templateInstallPaths\":" + paths + '}';
}

} // namespace

RecordedEntries::RecordedEntries(const QList<PackageManifest>& packages) : m_packages(packages) {
    // Made each time a catalog arrives, so cheaply: from the last entry to the first, each id
    // stored once, which leaves the first entry of each.
    m_firstIndexByID.reserve(packages.size());
    for (qsizetype index = packages.size() - 1; index >= 0; --index) {
        m_firstIndexByID.insert(packages.at(index).id, index);
    }
    // An entry is told apart by its version only where the catalog lists its id twice, which it
    // seldom does: for an id listed once, the first entry is the one whatever the version.
    for (qsizetype index = packages.size() - 1; index >= 0; --index) {
        const PackageManifest& package = packages.at(index);
        const qsizetype first = m_firstIndexByID.value(package.id);
        if (first != index) {
            m_indexByIDAndVersion.insert(std::pair(package.id, package.version), index);
            const PackageManifest& firstEntry = packages.at(first);
            m_indexByIDAndVersion.insert(std::pair(firstEntry.id, firstEntry.version), first);
        }
    }
}

std::optional<PackageManifest> RecordedEntries::entryFor(const InstalledPackage& record) const {
    const std::optional<qsizetype> index = indexFor(record);
    return index ? std::optional(m_packages.at(*index)) : std::nullopt;
}

std::optional<qsizetype> RecordedEntries::indexFor(const InstalledPackage& record) const {
    if (const auto exact = m_indexByIDAndVersion.constFind(std::pair(record.id, record.version));
        exact != m_indexByIDAndVersion.cend()) {
        return *exact;
    }
    if (const auto first = m_firstIndexByID.constFind(record.id);
        first != m_firstIndexByID.cend()) {
        return *first;
    }
    return std::nullopt;
}

size_t qHash(const InstalledPackage& record, size_t seed) {
    return qHashMulti(seed, record.id, record.version, record.installedAtISO8601,
                      static_cast<int>(record.packageType), record.installPath,
                      record.templateInstallPaths);
}

namespace {

const std::array<QLatin1StringView, 6> recordKeys = {
    QLatin1String("id"),
    QLatin1String("version"),
    QLatin1String("installedAtISO8601"),
    QLatin1String("packageType"),
    QLatin1String("installPath"),
    QLatin1String("templateInstallPaths"),
};

// Reads a record's fields in order; its package type is read last, from `type`.
Result<InstalledPackage, DecodingError> readRecordFields(JsonFields& fields,
                                                         const JsonFieldValue& type) {
    InstalledPackage record;
    record.id = fields.requiredString(QLatin1String("id"));
    record.version = fields.requiredString(QLatin1String("version"));
    record.installedAtISO8601 =
        fields.optionalString(QLatin1String("installedAtISO8601")).value_or(QString());
    record.installPath = fields.optionalString(QLatin1String("installPath")).value_or(QString());
    record.templateInstallPaths =
        fields.optionalStringList(QLatin1String("templateInstallPaths")).value_or(QStringList());
    if (fields.failed()) {
        return DecodingError{fields.error()};
    }
    if (type.kind != JsonFieldValue::Kind::absent && type.kind != JsonFieldValue::Kind::null) {
        if (type.kind != JsonFieldValue::Kind::string) {
            return DecodingError{QStringLiteral("The package type is not a string.")};
        }
        auto decoded = decodePackageTypeName(type.text);
        if (!decoded) {
            return decoded.error();
        }
        record.packageType = *decoded;
    }
    return record;
}

} // namespace

Result<QList<InstalledPackage>, DecodingError> decodeInstalledPackages(const QByteArray& json) {
    const JsonDocument document(json);
    if (const auto& problem = document.problem()) {
        return DecodingError{
            QStringLiteral("The installed records are not JSON: %1.").arg(*problem)};
    }
    if (!document.root().is_array()) {
        return DecodingError{QStringLiteral("The installed records are not a JSON array.")};
    }
    const simdjson::dom::array array = document.root().get_array().value_unsafe();
    QList<InstalledPackage> records;
    records.reserve(static_cast<qsizetype>(array.size()));
    for (const simdjson::dom::element element : array) {
        if (!element.is_object()) {
            return DecodingError{QStringLiteral("An installed record is not a JSON object.")};
        }
        std::array<JsonFieldValue, recordKeys.size()> values;
        readMembers(element.get_object().value_unsafe(), recordKeys, values);
        const JsonFieldValue id = values[0];
        const JsonFieldValue type = values[3];
        JsonFields fields(QLatin1String("Installed package"), slotLookup(recordKeys, values),
                          [&id](QLatin1StringView) { return id; });
        auto record = readRecordFields(fields, type);
        if (!record) {
            return record.error();
        }
        records.append(std::move(record).value());
    }
    return records;
}

QByteArray encodeInstalledPackages(const QList<InstalledPackage>& records) {
    QByteArray json = "[";
    for (qsizetype index = 0; index < records.size(); ++index) {
        if (index > 0) {
            json += ',';
        }
        json += encodeInstalledPackage(records[index]);
    }
    json += ']';
    return json;
}

QList<uint> idOrderKey(const QString& id) {
    // toUcs4 gives code points, so characters beyond the basic plane sort after U+FFFF as they
    // should, not among the surrogates as UTF-16 order would put them.
    return id.normalized(QString::NormalizationForm_C).toUcs4();
}

void sortByID(QList<InstalledPackage>& records) {
    QList<std::pair<QList<uint>, InstalledPackage>> keyed;
    keyed.reserve(records.size());
    for (InstalledPackage& record : records) {
        keyed.append({idOrderKey(record.id), std::move(record)});
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& lhs, const auto& rhs) { return lhs.first < rhs.first; });
    records.clear();
    for (auto& [key, record] : keyed) {
        records.append(std::move(record));
    }
}

} // namespace marlox::catalog
