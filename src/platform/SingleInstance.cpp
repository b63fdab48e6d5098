#include "SingleInstance.h"

#include "UserOwnership.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <memory>
#include <thread>

namespace marlox::platform {
namespace {

const QByteArray openWindowRequest = QByteArrayLiteral("open-window\n");
const QByteArray acceptedReply = QByteArrayLiteral("ok\n");
// Local sockets answer at once; a copy that takes longer is treated as gone.
constexpr int answerTimeoutMilliseconds = 3000;
// A copy takes the name right after the lock; asked this often, it is found soon after.
constexpr std::chrono::milliseconds listenerPollInterval(20);

// Two homes of one user are two installations, each with its own data: each has its copy.
QString homeKey() {
    return QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(QDir::homePath()), QCryptographicHash::Sha256)
            .toHex()
            .left(8));
}

// Connected to the copy listening on the name; none when there is none of this user's.
std::unique_ptr<QLocalSocket> connectToRunningCopy(const QString& serverName) {
    // Never hand over to a socket, or a copy behind one, of another user.
    if (!belongsToCurrentUser(serverName)) {
        return nullptr;
    }
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(serverName);
    if (!socket->waitForConnected(answerTimeoutMilliseconds) ||
        !peerIsCurrentUser(socket->socketDescriptor())) {
        return nullptr;
    }
    return socket;
}

} // namespace

QString SingleInstance::serverName(const QString& bundleIdentifier) {
    const QString user = currentUserID();
    // Only this user may enter the folder, so nobody else can take the name first or answer on it.
    std::optional<QString> folder;
    const QString runtimeFolder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeFolder.isEmpty()) {
        folder = privateFolder(runtimeFolder, false);
    }
    if (!folder) {
        folder = privateFolder(
            QDir::tempPath() + QLatin1Char('/') + bundleIdentifier + QLatin1Char('-') + user, true);
    }
    if (!folder) {
        return {};
    }
    return *folder + QLatin1Char('/') + bundleIdentifier + QLatin1Char('-') + user +
           QLatin1Char('-') + homeKey();
}

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_serverName(std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

SingleInstance::Handover
SingleInstance::forwardOpenWindowRequest(std::chrono::milliseconds listenerWait) {
    if (m_serverName.isEmpty()) {
        return Handover::nobodyListens;
    }
    const QDeadlineTimer deadline(listenerWait);
    std::unique_ptr<QLocalSocket> socket;
    while (!(socket = connectToRunningCopy(m_serverName))) {
        if (deadline.hasExpired()) {
            return Handover::nobodyListens;
        }
        std::this_thread::sleep_for(listenerPollInterval);
    }
    socket->write(openWindowRequest);
    if (!socket->waitForBytesWritten(answerTimeoutMilliseconds)) {
        return Handover::unanswered;
    }
    while (!socket->canReadLine()) {
        if (!socket->waitForReadyRead(answerTimeoutMilliseconds)) {
            return Handover::unanswered;
        }
    }
    return socket->readLine() == acceptedReply ? Handover::accepted : Handover::unanswered;
}

bool SingleInstance::listen() {
    if (m_serverName.isEmpty()) {
        return false;
    }
    if (m_server == nullptr) {
        m_server = new QLocalServer(this);
        // Only this user may ask for a window.
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    }
    if (m_server->isListening() || m_server->listen(m_serverName)) {
        return true;
    }
    // Only the copy that holds the lock listens, so a socket file in the way is a dead copy's.
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
