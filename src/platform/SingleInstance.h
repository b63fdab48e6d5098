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
    // A full path in the user's runtime folder when there is one; otherwise a plain name, which
    // Qt places in the temporary folder.
    static QString serverName(const QString& bundleIdentifier);

    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True once a running copy has taken the request to open a window; this copy then ends.
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
