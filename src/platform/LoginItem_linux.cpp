#include "LoginItem.h"

#include "base/FileSystem.h"
#include "base/ShownText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace marlox::platform {
namespace {

bool holdsControlCharacter(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), base::isControlCharacter);
}

// Reverse-DNS letters only: the identifier becomes a file name.
bool isUsableBundleIdentifier(const QString& identifier) {
    if (identifier.isEmpty() || identifier.startsWith(QLatin1Char('.'))) {
        return false;
    }
    for (QChar character : identifier) {
        const char16_t code = character.unicode();
        const bool allowed = (code >= u'a' && code <= u'z') || (code >= u'A' && code <= u'Z') ||
                             (code >= u'0' && code <= u'9') || code == u'.' || code == u'-' ||
                             code == u'_';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

// A desktop entry string value: backslashes doubled.
QString escapedDesktopEntryString(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return escaped;
}

} // namespace

QString desktopEntryExecValue(const QString& program) {
    // Inside a quoted argument, ", `, $ and \ take a backslash; the whole value is then a desktop
    // entry string, which doubles every backslash again. A lone % would start a field code.
    QString quoted;
    for (QChar character : program) {
        if (character == u'"' || character == u'`' || character == u'$' || character == u'\\') {
            quoted += QLatin1Char('\\');
        }
        quoted += character;
    }
    quoted.replace(QLatin1Char('%'), QLatin1String("%%"));
    return escapedDesktopEntryString(QLatin1Char('"') + quoted + QLatin1Char('"'));
}

MainApplicationLoginItem::MainApplicationLoginItem(QString bundleIdentifier, QString executablePath,
                                                   QString displayName)
    : m_bundleIdentifier(std::move(bundleIdentifier)), m_executablePath(std::move(executablePath)),
      m_displayName(std::move(displayName)) {}

QString MainApplicationLoginItem::entryPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1String("/autostart/") + m_bundleIdentifier + QLatin1String(".desktop");
}

LoginItemStatus MainApplicationLoginItem::status() const {
    if (!isUsableBundleIdentifier(m_bundleIdentifier)) {
        return LoginItemStatus::notFound;
    }
    return QFileInfo(entryPath()).isFile() ? LoginItemStatus::enabled
                                           : LoginItemStatus::notRegistered;
}

std::optional<LoginItemError> MainApplicationLoginItem::registerItem() {
    if (!isUsableBundleIdentifier(m_bundleIdentifier)) {
        return LoginItemError{QStringLiteral("The bundle identifier “%1” cannot name a login item.")
                                  .arg(m_bundleIdentifier)};
    }
    // A line break in either value would end the line and start a key of its own.
    if (!QFileInfo(m_executablePath).isAbsolute() || holdsControlCharacter(m_executablePath) ||
        holdsControlCharacter(m_displayName)) {
        return LoginItemError{QStringLiteral("The application at “%1” cannot be started at login.")
                                  .arg(m_executablePath)};
    }
    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).path())) {
        return LoginItemError{
            QStringLiteral("The folder “%1” could not be created.").arg(QFileInfo(path).path())};
    }
    const QByteArray entry =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=%1\n"
                       "Exec=%2\n"
                       "X-GNOME-Autostart-enabled=true\n")
            .arg(escapedDesktopEntryString(m_displayName), desktopEntryExecValue(m_executablePath))
            .toUtf8();
    if (const auto failure = base::saveWholeFile(path, entry)) {
        return LoginItemError{QStringLiteral("The login item “%1” could not be written: %2")
                                  .arg(path, failure->reason)};
    }
    return std::nullopt;
}

std::optional<LoginItemError> MainApplicationLoginItem::unregisterItem() {
    const QString path = entryPath();
    if (!QFileInfo(path).isFile()) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.remove()) {
        return LoginItemError{QStringLiteral("The login item “%1” could not be removed: %2")
                                  .arg(path, file.errorString())};
    }
    return std::nullopt;
}

} // namespace marlox::platform
