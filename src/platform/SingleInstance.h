#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace marlox::platform {

// Keeps one running copy of the application per user. A later launch finds the running copy
// through a local socket, asks it to open a window and ends; the running copy announces the
// request. There is no Dock to reopen a window from, so this is how a user who closed the last
// window gets one back.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // A full path, named after the bundle identifier, the user's id and the home folder, in a
    // folder only this user may enter: the user's runtime folder when it is such a folder,
    // otherwise one of the temporary folder made for the user. Empty when there is none: this
    // copy then neither hands over nor listens.
    static QString serverName(const QString& bundleIdentifier);

    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True once a running copy has taken the request to open a window; this copy then ends. A
    // socket, or a process behind it, of another user is never asked.
    bool forwardOpenWindowRequest();
    // Takes the name for this copy, replacing a socket left behind by one that crashed. False when
    // the name cannot be taken; the application then runs on without it.
    bool listen();

signals:
    void openWindowRequested();

private:
    void acceptConnections();

    QString m_serverName;
    QLocalServer* m_server = nullptr;
};

} // namespace marlox::platform
