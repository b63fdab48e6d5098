#include "PropertyList.h"

#include <QDateTime>
#include <QFile>

#include <plist/plist.h>

#include <cstring>
#include <memory>

namespace marlox::platform {
namespace {

// Property lists of real bundles are a few kilobytes; the bounds keep hostile input from costing
// more than that.
constexpr qsizetype maximumPropertyListBytes = 16 * 1024 * 1024;
constexpr int maximumNestingDepth = 128;

// Seconds between 1970-01-01 and the property-list epoch 2001-01-01.
constexpr qint64 propertyListEpochOffset = 978307200;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

std::optional<QVariant> toVariant(plist_t node, int depth) {
    if (node == nullptr || depth > maximumNestingDepth) {
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return QVariant(static_cast<qint64>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return QVariant(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        // The copying getter asserts on a string with an embedded NUL, which a damaged binary
        // list can hold; the pointer getter gives the length instead.
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return QVariant(
            QString::fromUtf8(text ? text : "", text ? static_cast<qsizetype>(length) : 0));
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return QVariant(QByteArray(bytes ? bytes : "", bytes ? static_cast<qsizetype>(length) : 0));
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return QVariant(QDateTime::fromSecsSinceEpoch(propertyListEpochOffset + seconds, Qt::UTC)
                            .addMSecs(microseconds / 1000));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t count = plist_array_get_size(node);
        for (uint32_t index = 0; index < count; ++index) {
            auto item = toVariant(plist_array_get_item(node, index), depth + 1);
            if (!item) {
                return std::nullopt;
            }
            list.append(*item);
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        if (iterator == nullptr) {
            return QVariant(map);
        }
        while (true) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (key == nullptr) {
                break;
            }
            const QString name = QString::fromUtf8(key);
            free(key);
            auto item = toVariant(value, depth + 1);
            if (!item) {
                free(iterator);
                return std::nullopt;
            }
            map.insert(name, *item);
        }
        free(iterator);
        return QVariant(map);
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return QVariant(static_cast<qint64>(value));
    }
    default:
        return std::nullopt;
    }
}

plist_t fromVariant(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::Double:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
    }
    case QMetaType::QVariantList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : value.toList()) {
            plist_array_append_item(array, fromVariant(item));
        }
        return array;
    }
    case QMetaType::QVariantMap: {
        plist_t dictionary = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            plist_dict_set_item(dictionary, it.key().toUtf8().constData(), fromVariant(it.value()));
        }
        return dictionary;
    }
    default:
        return plist_new_string(value.toString().toUtf8().constData());
    }
}

// libplist's text getters assert on a string or key with an embedded NUL, which a damaged list
// can hold. Such text shows up as a NUL inside the list's XML form, so that form is checked first.
bool holdsTextWithNul(plist_t root) {
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    const bool clean = xml != nullptr && std::strlen(xml) == length;
    plist_to_xml_free(xml);
    return !clean;
}

bool looksLikePropertyList(const QByteArray& bytes) {
    if (bytes.startsWith("bplist00")) {
        // The binary trailer alone is 32 bytes after the 8-byte header.
        return bytes.size() >= 8 + 32;
    }
    return bytes.contains("<plist") || bytes.contains("<?xml");
}

} // namespace

std::optional<QVariant> readPropertyList(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > maximumPropertyListBytes ||
        !looksLikePropertyList(bytes)) {
        return std::nullopt;
    }
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    PlistHandle handle(root);
    if (root == nullptr || holdsTextWithNul(root)) {
        return std::nullopt;
    }
    return toVariant(root, 0);
}

std::optional<QVariant> readPropertyListFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maximumPropertyListBytes) {
        return std::nullopt;
    }
    return readPropertyList(file.readAll());
}

QByteArray binaryPropertyList(const QVariantMap& dictionary) {
    PlistHandle root(fromVariant(dictionary));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    QByteArray result(bytes, static_cast<qsizetype>(length));
    plist_to_bin_free(bytes);
    return result;
}

QByteArray xmlPropertyList(const QVariantMap& dictionary) {
    PlistHandle root(fromVariant(dictionary));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &bytes, &length);
    QByteArray result(bytes, static_cast<qsizetype>(length));
    plist_to_xml_free(bytes);
    return result;
}

} // namespace marlox::platform
