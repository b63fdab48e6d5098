#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace marlox::base {

// A signed 64-bit integer written as an optional sign, then digits only; nothing on overflow.
std::optional<qint64> wholeNumber(QStringView text);

// -1, 0 or 1: dotted versions compared part by part as integers.
int compareVersions(const QString& lhs, const QString& rhs);

} // namespace marlox::base
