#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace marlox::base {

// A signed 64-bit integer written as an optional sign, then digits only; nothing on overflow.
std::optional<qint64> wholeNumber(QStringView text);

// -1, 0 or 1: dotted versions compared part by part as integers.
int compareVersions(const QString& lhs, const QString& rhs);
// The same comparison in two steps, for callers that compare one version many times: the parts
// that read as integers, then the parts compared, a missing one counting as 0.
QList<qint64> versionNumbers(const QString& version);
int compareVersionNumbers(const QList<qint64>& left, const QList<qint64>& right);

} // namespace marlox::base
