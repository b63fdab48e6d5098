#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace marlox::platform {

// Reads a property list in either the XML or the binary form. Dictionaries become QVariantMap,
// arrays QVariantList, strings QString, integers qint64, reals double, Booleans bool, data
// QByteArray and dates QDateTime. Anything malformed reads as nothing.
std::optional<QVariant> readPropertyList(const QByteArray& bytes);
std::optional<QVariant> readPropertyListFile(const QString& path);

// Writes a dictionary as a binary property list; used where a tool or a test needs the binary form.
QByteArray binaryPropertyList(const QVariantMap& dictionary);
QByteArray xmlPropertyList(const QVariantMap& dictionary);

} // namespace marlox::platform
