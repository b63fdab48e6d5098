#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QPointer>
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

// What the server answers for one path; with `bodyFilePath` the body streams from that file.
struct HttpAnswer {
    int status = 200;
    QByteArray body = {};
    QString bodyFilePath = {};
    std::chrono::milliseconds delay{0};
    // Kept back until releaseHeldAnswers(), for tests that need one answer to come last.
    bool held = false;
    // Sent as the answer's Location header when not empty, for redirects.
    QByteArray location = {};
    // When set, the body follows the head one byte at a time at this pace: a slow server that
    // never falls silent for long.
    std::chrono::milliseconds dripInterval{0};
};

// An HTTP/1.1 server on 127.0.0.1, on a thread of its own so that a test may block on the code
// under test while it answers. Paths without an answer get 404.
class LoopbackHttpServer {
public:
    LoopbackHttpServer();
    ~LoopbackHttpServer();

    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    void setAnswer(const QString& path, HttpAnswer answer);
    QUrl url(const QString& path) const;
    int requestCount(const QString& path) const;
    // The connections opened to the server so far, whether or not a request came over them.
    int connectionCount() const;
    // False when the path was not requested that often in time.
    bool waitForRequestCount(const QString& path, int count,
                             std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    void releaseHeldAnswers();

private:
    void serve(QTcpSocket* socket);

    QThread m_thread;
    QObject* m_context = nullptr;
    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    mutable QWaitCondition m_requestArrived;
    QHash<QString, HttpAnswer> m_answers;
    QStringList m_requestedPaths;
    int m_connectionCount = 0;
    QList<std::pair<QPointer<QTcpSocket>, HttpAnswer>> m_held; // only touched on m_thread
};

} // namespace marlox::testing
