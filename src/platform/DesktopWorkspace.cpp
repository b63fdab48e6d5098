#include "DesktopWorkspace.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace marlox::platform {

namespace {

const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString fileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

} // namespace

DesktopWorkspace::DesktopWorkspace(QStringList searchFolders, std::chrono::milliseconds answerBound)
    : m_searchFolders(std::move(searchFolders)), m_answerBound(answerBound) {}

void DesktopWorkspace::openFolder(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QFuture<bool> DesktopWorkspace::openURL(const QUrl& url) {
    return handOverToProgram(QStringLiteral("xdg-open"), m_searchFolders,
                             {QString::fromLatin1(url.toEncoded())}, m_answerBound);
}

void DesktopWorkspace::revealInFileViewer(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        fileManagerService, fileManagerPath, fileManagerService, QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    // Answered later, so that the main thread never waits for the file manager to start.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder](auto* finished) {
        if (finished->isError()) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
        }
        finished->deleteLater();
    });
}

} // namespace marlox::platform
