#include "RegistryFile.h"

#include "base/FileSystem.h"
#include "base/ShownText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace marlox::tools {
namespace {

using namespace std::chrono_literals;

// How long a run waits for another to finish with the registry.
constexpr std::chrono::milliseconds lockPatience = 10s;

QString dataFolder(const QString& folder) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + folder;
}

// The lock is a file of its own beside the registry, which a save replaces. Earlier versions
// locked the folder, or named their holder in "<file>.lock"; neither holds anything back.
Result<platform::ExclusiveFileLock, platform::FileLockError> lockFor(const QString& registryPath) {
    return platform::ExclusiveFileLock::take(QFileInfo(registryPath).path() + QLatin1Char('/') +
                                                 QFileInfo(registryPath).completeBaseName() +
                                                 QStringLiteral(".lock"),
                                             lockPatience);
}

// Why the lock was not had. It is taken on a file inside the registry's folder, so whatever else
// stands in the folder's place fails it with a reason about the lock file, which would not tell
// the user what is wrong.
QString lockFailure(const QString& registryPath, const platform::FileLockError& error) {
    const QString folder = QFileInfo(registryPath).path();
    if (base::somethingExistsAt(folder) && !QFileInfo(folder).isDir()) {
        return QStringLiteral("the registry's folder is not a folder: ") + folder;
    }
    return error.heldElsewhere ? QStringLiteral("the registry is busy: ") + registryPath
                               : error.description();
}

// The registrations the file's bytes hold, or why they cannot be read as a registry.
Result<QJsonArray, QString> registrationsIn(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return QStringLiteral("it is empty");
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        return QStringLiteral("it is not JSON: ") + error.errorString();
    }
    if (!document.isArray()) {
        return QStringLiteral("it holds no list of registrations");
    }
    return document.array();
}

QString escapedControlCharacters(const QString& text) {
    QString escaped;
    for (const QChar character : text) {
        if (character == QLatin1Char('\t')) {
            escaped += QLatin1String("\\t");
        } else if (character == QLatin1Char('\n')) {
            escaped += QLatin1String("\\n");
        } else if (base::isControlCharacter(character)) {
            escaped += QStringLiteral("\\x%1").arg(character.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            escaped += character;
        }
    }
    return escaped;
}

} // namespace

RegistryFile::RegistryFile(const char* toolName, const QString& folder, const QString& fileName)
    : m_toolName(toolName), m_path(dataFolder(folder) + QLatin1Char('/') + fileName),
      m_lock(lockFor(m_path)) {}

std::optional<QJsonArray> RegistryFile::settleAndLoad() const {
    if (!m_lock) {
        complain(m_toolName, lockFailure(m_path, m_lock.error()));
        return std::nullopt;
    }
    // Only what a save of this very file leaves.
    base::removeUnfinishedSaves(QFileInfo(m_path).path(),
                                QRegularExpression::escape(QFileInfo(m_path).fileName()));
    if (!base::somethingExistsAt(m_path)) {
        return QJsonArray();
    }
    const auto bytes = base::readWholeFile(m_path, maximumRegistryBytes);
    if (!bytes) {
        return setAside(bytes.error().tooLarge
                            ? QStringLiteral("it holds more than the %1 a run reads")
                                  .arg(base::mebibytesBoundText(maximumRegistryBytes))
                            : bytes.error().reason);
    }
    const auto registrations = registrationsIn(*bytes);
    if (!registrations) {
        return setAside(registrations.error());
    }
    return *registrations;
}

// The file may still hold registrations worth recovering by hand, so it is kept under a name of
// its own rather than overwritten.
std::optional<QJsonArray> RegistryFile::setAside(const QString& reason) const {
    const QString copy = base::unreadableCopyPath(m_path);
    // The system's own rename, whose failure says why.
    if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(copy).constData()) != 0) {
        const QString renameReason = base::systemReason(errno);
        complain(m_toolName,
                 QStringLiteral("the registry could not be read (%1) nor set aside (%2), and is "
                                "left as it is: %3")
                     .arg(reason, renameReason, m_path));
        return std::nullopt;
    }
    complain(m_toolName,
             QStringLiteral("the registry could not be read and was set aside as %1: %2")
                 .arg(copy, reason));
    return QJsonArray();
}

std::optional<QString> RegistryFile::save(const QJsonArray& entries) const {
    const QByteArray bytes = QJsonDocument(entries).toJson(QJsonDocument::Indented);
    // What the next run could not read, it would set aside with every registration in it.
    if (bytes.size() > maximumRegistryBytes) {
        return QStringLiteral("the registry would take %1 MiB, more than the %2 a run reads; it "
                              "was not changed: %3")
            .arg(base::mebibytesText(bytes.size()), base::mebibytesBoundText(maximumRegistryBytes),
                 m_path);
    }
    if (const auto failure = base::saveWholeFile(m_path, bytes)) {
        return failure->description();
    }
    return std::nullopt;
}

QString resolvedPath(const QString& path) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString canonical = QFileInfo(absolute).canonicalFilePath();
    return canonical.isEmpty() ? absolute : canonical;
}

QStringList commandLineArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int index = 1; index < argc; ++index) {
        arguments.append(QString::fromLocal8Bit(argv[index]));
    }
    return arguments;
}

void complain(const char* tool, const QString& message) {
    std::fprintf(stderr, "%s: %s\n", tool,
                 escapedControlCharacters(message).toLocal8Bit().constData());
}

} // namespace marlox::tools
