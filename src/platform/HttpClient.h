#pragma once

#include "base/DescribedError.h"
#include "base/Result.h"

#include <QString>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

class QIODevice;

namespace marlox::platform {

struct HttpGetRequest {
    QUrl url;
    // Cut off when no data arrives for this long.
    std::chrono::milliseconds timeout = std::chrono::seconds(60);
    // Always ask the network; otherwise the protocol's own cache rules apply.
    bool ignoreLocalCache = false;
    // When given and set, from any thread, the transfer ends early as a transport failure.
    std::shared_ptr<const std::atomic<bool>> cancelled = {};
};

struct HttpResponse {
    // Nothing when the answer was not an HTTP one (a data: URL, for instance).
    std::optional<int> statusCode;
};

// A transfer that never produced an answer: no connection, a time-out, a refused TLS handshake,
// or a body that could not be written.
struct HttpTransportError : base::DescribedError {
    using DescribedError::DescribedError;
};

// Plain HTTP GETs. A call blocks the calling thread until the transfer has ended, so it is only
// ever made from a worker thread, never from the main thread.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    // Writes the body to `body` as it arrives, whatever the status; the caller judges the status.
    virtual Result<HttpResponse, HttpTransportError> get(const HttpGetRequest& request,
                                                         QIODevice& body) = 0;
};

// QNetworkAccessManager, run with a local event loop on the calling thread.
class NetworkHttpClient final : public HttpClient {
public:
    Result<HttpResponse, HttpTransportError> get(const HttpGetRequest& request,
                                                 QIODevice& body) override;
};

} // namespace marlox::platform
