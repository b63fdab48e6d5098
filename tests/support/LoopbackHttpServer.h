#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QUrl>
#include <QWaitCondition>

#include <chrono>

class QObject;
class QTcpServer;
class QTcpSocket;

namespace marlox::testing {

// What the server answers for one path.
struct HttpAnswer {
    int status = 200;
    QByteArray body;
    // When set, the body is streamed from this file in chunks instead of `body`.
    QString bodyFilePath;
    // How long the server waits before it answers.
    std::chrono::milliseconds delay{0};
};

// A small HTTP/1.1 server on 127.0.0.1 that answers GETs with configured bodies and statuses and
// counts the requests per path. It runs on a thread of its own, so a test may block on the code
// under test while the server answers. Paths without an answer get 404.
class LoopbackHttpServer {
public:
    LoopbackHttpServer();
    ~LoopbackHttpServer();

    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    void setAnswer(const QString& path, HttpAnswer answer);
    QUrl url(const QString& path) const;
    int requestCount(const QString& path) const;
    // Every requested path, in the order the requests arrived.
    QStringList requestedPaths() const;
    // Blocks until the path has been requested that often; false when that took too long.
    bool waitForRequestCount(const QString& path, int count,
                             std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;

private:
    void acceptConnections();
    void serve(QTcpSocket* socket);
    static void answer(QTcpSocket* socket, const HttpAnswer& configured);

    QThread m_thread;
    QObject* m_context = nullptr;
    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    mutable QWaitCondition m_requestArrived;
    QHash<QString, HttpAnswer> m_answers;
    QStringList m_requestedPaths;
};

} // namespace marlox::testing
