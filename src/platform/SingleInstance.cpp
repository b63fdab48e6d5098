#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace marlox::platform {
namespace {

const QByteArray openWindowRequest = QByteArrayLiteral("open-window\n");
const QByteArray acceptedReply = QByteArrayLiteral("ok\n");
// Local sockets answer at once; a copy that takes longer is treated as gone.
constexpr int answerTimeoutMilliseconds = 3000;

QString userName() {
    for (const char* variable : {"USER", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty()) {
            return name;
        }
    }
    return QDir::home().dirName();
}

} // namespace

QString SingleInstance::serverName(const QString& bundleIdentifier) {
    const QString name = bundleIdentifier + QLatin1Char('-') + userName();
    const QString runtimeFolder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeFolder.isEmpty() && QFileInfo(runtimeFolder).isDir()) {
        return runtimeFolder + QLatin1Char('/') + name;
    }
    return name;
}

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_serverName(std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::forwardOpenWindowRequest() {
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(answerTimeoutMilliseconds)) {
        return false;
    }
    socket.write(openWindowRequest);
    if (!socket.waitForBytesWritten(answerTimeoutMilliseconds)) {
        return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(answerTimeoutMilliseconds)) {
            return false;
        }
    }
    return socket.readLine() == acceptedReply;
}

bool SingleInstance::listen() {
    if (m_server == nullptr) {
        m_server = new QLocalServer(this);
        // Only this user may ask for a window.
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    }
    if (m_server->isListening() || m_server->listen(m_serverName)) {
        return true;
    }
    // Nobody answered on the name, so its socket file is a crashed copy's.
    QLocalServer::removeServer(m_serverName);
    return m_server->listen(m_serverName);
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() != openWindowRequest) {
                    socket->disconnectFromServer();
                    return;
                }
                socket->write(acceptedReply);
                emit openWindowRequested();
            }
        });
    }
}

} // namespace marlox::platform
