#pragma once

#include <QObject>
#include <QString>

#include <chrono>

class QLocalServer;

namespace marlox::platform {

// Keeps one running copy of the application per user. A later launch finds the running copy
// through a local socket, asks it to open a window and ends; the running copy announces the
// request. There is no Dock to reopen a window from, so this is how a user who closed the last
// window gets one back. Which copy runs, the lock on the user's data decides; the socket only
// reaches that copy.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // A full path, named after the bundle identifier, the user's id and the home folder, in a
    // folder only this user may enter: the user's runtime folder when it is such a folder,
    // otherwise one of the temporary folder made for the user. Empty when there is none: this
    // copy then neither hands over nor listens.
    static QString serverName(const QString& bundleIdentifier);

    // What became of the request to open a window: a running copy accepted it, and this copy
    // ends; nothing of this user's listened on the name; or what listened did not accept it in
    // time.
    enum class Handover { accepted, nobodyListens, unanswered };

    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Asks the running copy to open a window. While nothing listens on the name it asks again
    // until `listenerWait` has passed: a copy launched at the same moment listens only once it
    // holds the lock. A socket, or a process behind it, of another user is never asked.
    Handover forwardOpenWindowRequest(std::chrono::milliseconds listenerWait = {});
    // Takes the name for this copy, replacing a socket left behind by one that died: only the copy
    // that holds the lock calls it. False when the name cannot be taken; the application then
    // runs on without it.
    bool listen();

signals:
    void openWindowRequested();

private:
    void acceptConnections();

    QString m_serverName;
    QLocalServer* m_server = nullptr;
};

} // namespace marlox::platform
