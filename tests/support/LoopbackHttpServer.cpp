#include "LoopbackHttpServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <utility>

namespace marlox::testing {
namespace {

constexpr qint64 fileChunkBytes = 1024 * 1024;

QByteArray head(int status, qint64 length, const QByteArray& location = {}) {
    return "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Error") +
           "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           QByteArray::number(length) +
           (location.isEmpty() ? QByteArray() : "\r\nLocation: " + location) +
           "\r\nConnection: close\r\n\r\n";
}

// Feeds the file a chunk at a time as the socket drains, so a large body never sits in memory.
void streamFile(QTcpSocket* socket, int status, const QString& path) {
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        socket->write(head(500, 0));
        socket->disconnectFromHost();
        return;
    }
    socket->write(head(status, file->size()));
    const auto feed = [socket, file] {
        while (socket->bytesToWrite() < fileChunkBytes && !file->atEnd()) {
            socket->write(file->read(fileChunkBytes));
        }
        if (file->atEnd()) {
            QObject::disconnect(socket, &QTcpSocket::bytesWritten, nullptr, nullptr);
            socket->disconnectFromHost();
        }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, feed);
    feed();
}

void drip(QTcpSocket* socket, const HttpAnswer& configured) {
    socket->write(head(configured.status, configured.body.size()));
    auto* timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, sent, configured] {
        if (*sent == configured.body.size()) {
            timer->stop();
            socket->disconnectFromHost();
            return;
        }
        socket->write(configured.body.mid((*sent)++, 1));
    });
    timer->start(configured.dripInterval);
}

void answer(QTcpSocket* socket, const HttpAnswer& configured) {
    if (configured.dripInterval.count() > 0) {
        drip(socket, configured);
        return;
    }
    if (!configured.bodyFilePath.isEmpty()) {
        streamFile(socket, configured.status, configured.bodyFilePath);
        return;
    }
    socket->write(head(configured.status, configured.body.size(), configured.location) +
                  configured.body);
    socket->disconnectFromHost();
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer() {
    m_thread.start();
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            m_server = new QTcpServer(m_context);
            m_server->listen(QHostAddress::LocalHost, 0);
            m_port = m_server->serverPort();
            QObject::connect(m_server, &QTcpServer::newConnection, m_context, [this] {
                while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                    {
                        QMutexLocker lock(&m_mutex);
                        ++m_connectionCount;
                    }
                    QObject::connect(socket, &QTcpSocket::disconnected, socket,
                                     &QObject::deleteLater);
                    QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                     [this, socket] { serve(socket); });
                }
            });
        },
        Qt::BlockingQueuedConnection);
}

LoopbackHttpServer::~LoopbackHttpServer() {
    QMetaObject::invokeMethod(
        m_context, [this] { delete m_context; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void LoopbackHttpServer::setAnswer(const QString& path, HttpAnswer answer) {
    QMutexLocker lock(&m_mutex);
    m_answers.insert(path, std::move(answer));
}

QUrl LoopbackHttpServer::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
}

int LoopbackHttpServer::requestCount(const QString& path) const {
    QMutexLocker lock(&m_mutex);
    return static_cast<int>(m_requestedPaths.count(path));
}

int LoopbackHttpServer::connectionCount() const {
    QMutexLocker lock(&m_mutex);
    return m_connectionCount;
}

bool LoopbackHttpServer::waitForRequestCount(const QString& path, int count,
                                             std::chrono::milliseconds timeout) const {
    QDeadlineTimer deadline(timeout);
    QMutexLocker lock(&m_mutex);
    while (m_requestedPaths.count(path) < count) {
        if (!m_requestArrived.wait(&m_mutex, deadline)) {
            return false;
        }
    }
    return true;
}

void LoopbackHttpServer::releaseHeldAnswers() {
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            for (const auto& [socket, configured] : std::exchange(m_held, {})) {
                if (socket) {
                    answer(socket, configured);
                }
            }
        },
        Qt::BlockingQueuedConnection);
}

void LoopbackHttpServer::serve(QTcpSocket* socket) {
    // The request is complete once its header block has ended; GETs carry no body.
    if (socket->property("answered").toBool() || !socket->peek(64 * 1024).contains("\r\n\r\n")) {
        return;
    }
    socket->setProperty("answered", true);
    const QList<QByteArray> requestLine = socket->readLine().trimmed().split(' ');
    socket->readAll();
    const QString path = requestLine.size() >= 2 ? QString::fromUtf8(requestLine[1]) : QString();
    HttpAnswer configured;
    {
        QMutexLocker lock(&m_mutex);
        m_requestedPaths.append(path);
        m_requestArrived.wakeAll();
        configured = m_answers.value(path, HttpAnswer{404, "not found", {}, {}});
    }
    if (configured.held) {
        m_held.append({socket, configured});
        return;
    }
    QTimer::singleShot(configured.delay, socket,
                       [socket, configured] { answer(socket, configured); });
}

} // namespace marlox::testing
