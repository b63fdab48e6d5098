#pragma once

#include "platform/SystemInformation.h"
#include "screens/support/SupportRequest.h"

#include <QByteArray>
#include <QFuture>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace marlox::screens {

inline const QString motionBundleIdentifier = QStringLiteral("com.apple.motionapp");
inline const QString finalCutBundleIdentifier = QStringLiteral("com.apple.FinalCut");

// "<short version> (<build>)", or the short version alone without a build; nothing without a
// short version. Values that are not texts count as absent.
std::optional<QString> hostAppVersionText(const QVariantMap& info);

// The fields with what the system tells now: the system's version always, the host versions
// and the model only where the system knows them.
SystemInfoFields refreshedSystemInfo(SystemInfoFields fields,
                                     const platform::SystemInformation& system);

// The log excerpt keeps the last pieces between line breaks of at most the log's last bytes.
inline constexpr int logExcerptPieceCount = 50;
inline constexpr qint64 logExcerptReadLimit = qint64(1) << 20;

// U+000A to U+000D, U+0085, U+2028 and U+2029.
bool isLogLineBreak(QChar character);

// The last pieces of the text between line breaks, joined by line feeds; nothing when the bytes
// are not strict UTF-8.
std::optional<QString> logExcerpt(const QByteArray& bytes);
// The excerpt of the file's last bytes, read from just after the first line break past the cut
// so that no character is split; nothing when the file cannot be read.
std::optional<QString> readLogExcerpt(const QString& path);
// The same, read off the main thread.
QFuture<std::optional<QString>> loadLogExcerpt(const QString& path);

// The excerpt's lines that hold anything.
int logPreviewLineCount(const std::optional<QString>& snippet);

} // namespace marlox::screens
