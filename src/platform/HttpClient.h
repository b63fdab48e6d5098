#pragma once

#include "base/DescribedError.h"
#include "base/Result.h"

#include <QByteArray>
#include <QFuture>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QIODevice;

namespace marlox::platform {

// Ends the transfers given it at once, from any thread, and every later one before it starts.
class HttpCancellation {
public:
    void cancel();
    bool isCancelled() const;

    // For clients: while a transfer is enrolled, cancelling calls its `abort`, on the thread that
    // cancels. False when cancelled already; the transfer must not start then.
    bool enroll(const void* transfer, std::function<void()> abort);
    void withdraw(const void* transfer);

private:
    mutable QMutex m_mutex;
    bool m_cancelled = false;
    QHash<const void*, std::function<void()>> m_aborts;
};

struct HttpGetRequest {
    QUrl url;
    // Cut off when no data arrives for this long.
    std::chrono::milliseconds timeout = std::chrono::seconds(60);
    // Cut off when the whole transfer takes longer, however steadily the data comes. Sized for a
    // catalog or a feed; a large download sets its own.
    std::chrono::milliseconds deadline = std::chrono::minutes(2);
    // Always ask the network; otherwise the protocol's own cache rules apply.
    bool ignoreLocalCache = false;
    // Ends the transfer early when cancelled; none by default.
    std::shared_ptr<HttpCancellation> cancellation = nullptr;
};

struct HttpResponse {
    // Nothing when the answer was not an HTTP one (a data: URL, for instance).
    std::optional<int> statusCode;
};

// What a fetch gathered: the answer's status, as for a GET, and its whole body.
struct HttpDownload {
    std::optional<int> statusCode;
    QByteArray body;
};

// A transfer that never produced an answer: no connection, a time-out, a deadline passed, a
// cancellation, a refused TLS handshake, or a body that could not be written.
struct HttpTransportError : base::DescribedError {
    using DescribedError::DescribedError;
};

// Redirects a request follows at most; one more ends it with a transport error, so that a
// redirect loop stops after five hops rather than Qt's fifty.
inline constexpr int maximumHttpRedirects = 5;

// Plain HTTP GETs. A call blocks the calling thread until the transfer has ended, so it is only
// ever made from a worker thread, never from the main thread.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    // Writes the body to `body` as it arrives, whatever the status; the caller judges the status.
    virtual Result<HttpResponse, HttpTransportError> get(const HttpGetRequest& request,
                                                         QIODevice& body) = 0;
    // The same GET, answered at once: the transfer holds no thread while its server is slow, so
    // many may wait at a time. The body is gathered in memory; one longer than `byteLimit` ends
    // the transfer with a transport error. The future always finishes with a result.
    virtual QFuture<Result<HttpDownload, HttpTransportError>> fetch(const HttpGetRequest& request,
                                                                    qint64 byteLimit) = 0;
    // Ends every transfer in flight at once and fails every later one before it starts: quitting
    // never waits on a server. Any thread may call it.
    virtual void abortTransfers() = 0;
};

// QNetworkAccessManager: a GET runs with a local event loop on the calling thread, and fetches
// share one thread of the client's, where the manager opens at most six connections to a server
// at a time and queues the rest.
class NetworkHttpClient final : public HttpClient {
public:
    NetworkHttpClient();
    // Ends the fetches under way with a cancellation.
    ~NetworkHttpClient() override;

    NetworkHttpClient(const NetworkHttpClient&) = delete;
    NetworkHttpClient& operator=(const NetworkHttpClient&) = delete;

    Result<HttpResponse, HttpTransportError> get(const HttpGetRequest& request,
                                                 QIODevice& body) override;
    QFuture<Result<HttpDownload, HttpTransportError>> fetch(const HttpGetRequest& request,
                                                            qint64 byteLimit) override;
    void abortTransfers() override;

private:
    class FetchThread;

    HttpCancellation m_everyTransfer;
    QMutex m_fetchThreadMutex;
    // Made by the first fetch.
    std::unique_ptr<FetchThread> m_fetchThread;
};

} // namespace marlox::platform
