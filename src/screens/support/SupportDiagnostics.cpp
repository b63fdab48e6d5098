#include "SupportDiagnostics.h"

#include "platform/BackgroundWork.h"
#include "platform/Bundle.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cstring>

namespace marlox::screens {
namespace {

bool isLineBreakByte(char byte) {
    return byte >= '\n' && byte <= '\r';
}

// Whether any byte of the word lies between '\n' and '\r': the well-known test for a byte
// strictly between m and n (here 9 and 14) of a word, on all its bytes at once.
bool holdsALineBreakByte(quint64 word) {
    constexpr quint64 ones = ~quint64(0) / 255;
    constexpr quint64 lowSevenBits = ones * 127;
    const quint64 low = word & lowSevenBits;
    return ((ones * (127 + 14) - low) & ~word & (low + ones * (127 - 9)) & (ones * 128)) != 0;
}

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The bytes from just after the first line break, or from the first whole character when the
// cut falls inside one long line.
QByteArray fromFirstWholeLine(const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype index = 0;
    // Eight bytes at a time over the part without a break, most of a long line: a loop that
    // stops at each byte runs at half its speed or less as it happens to lie in the program.
    for (quint64 word = 0; index + qsizetype(sizeof word) <= bytes.size(); index += sizeof word) {
        std::memcpy(&word, data + index, sizeof word);
        if (holdsALineBreakByte(word)) {
            break;
        }
    }
    for (; index < bytes.size(); ++index) {
        if (isLineBreakByte(data[index])) {
            return bytes.mid(index + 1);
        }
    }
    qsizetype start = 0;
    while (start < bytes.size() && isContinuationByte(bytes[start])) {
        ++start;
    }
    return bytes.mid(start);
}

} // namespace

std::optional<QString> hostAppVersionText(const QVariantMap& info) {
    const auto shortVersion =
        platform::stringValue(info, QStringLiteral("CFBundleShortVersionString"));
    if (!shortVersion) {
        return std::nullopt;
    }
    const auto build = platform::stringValue(info, QStringLiteral("CFBundleVersion"));
    if (!build || build->isEmpty() || shortVersion->isEmpty()) {
        return shortVersion;
    }
    return *shortVersion + QStringLiteral(" (") + *build + QLatin1Char(')');
}

SystemInfoFields refreshedSystemInfo(SystemInfoFields fields,
                                     const platform::SystemInformation& system) {
    fields.macOSVersion =
        system.operatingSystemVersion().remove(QStringLiteral("Version ")).trimmed();
    const auto hostVersion = [&](const QString& bundleIdentifier) -> std::optional<QString> {
        const auto info = system.applicationInfo(bundleIdentifier);
        return info ? hostAppVersionText(*info) : std::nullopt;
    };
    if (auto version = hostVersion(motionBundleIdentifier)) {
        fields.motionVersion = *version;
    }
    if (auto version = hostVersion(finalCutBundleIdentifier)) {
        fields.finalCutVersion = *version;
    }
    if (const QString model = system.machineModel(); !model.isEmpty()) {
        fields.macModel = model;
    }
    return fields;
}

bool isLogLineBreak(QChar character) {
    const char16_t code = character.unicode();
    return (code >= u'\n' && code <= u'\r') || code == u'\u0085' || code == u'\u2028' ||
           code == u'\u2029';
}

std::optional<QString> logExcerpt(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    // The last pieces are what follows the last so many breaks; joining them with line feeds is
    // putting a line feed in place of each break among them.
    qsizetype start = 0;
    int breaks = 0;
    for (qsizetype index = text.size() - 1; index >= 0; --index) {
        if (isLogLineBreak(text[index]) && ++breaks == logExcerptPieceCount) {
            start = index + 1;
            break;
        }
    }
    QString excerpt = text.mid(start);
    for (QChar& character : excerpt) {
        if (isLogLineBreak(character)) {
            character = QLatin1Char('\n');
        }
    }
    return excerpt;
}

std::optional<QString> readLogExcerpt(const QString& path) {
    // Only a regular file: opening a pipe would wait for a writer, a device might never end.
    if (!QFileInfo(path).isFile()) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const qint64 start = std::max<qint64>(0, file.size() - logExcerptReadLimit);
    if (!file.seek(start)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.read(logExcerptReadLimit);
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return logExcerpt(start > 0 ? fromFirstWholeLine(bytes) : bytes);
}

QFuture<std::optional<QString>> loadLogExcerpt(const QString& path) {
    return QtConcurrent::run(platform::utilityThreadPool(), readLogExcerpt, path);
}

int logPreviewLineCount(const std::optional<QString>& snippet) {
    if (!snippet) {
        return 0;
    }
    int count = 0;
    qsizetype lineLength = 0;
    for (const QChar character : *snippet) {
        if (isLogLineBreak(character)) {
            count += lineLength > 0 ? 1 : 0;
            lineLength = 0;
        } else {
            ++lineLength;
        }
    }
    return count + (lineLength > 0 ? 1 : 0);
}

} // namespace marlox::screens
