#include "HttpClient.h"

#include "BoundedBody.h"
#include "base/FileSystem.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPromise>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

namespace marlox::platform {
namespace {

// The reply holds at most this much before the transfer waits for it to be read, so a large
// download never gathers in memory.
constexpr qint64 replyBufferBytes = 4 * 1024 * 1024;

// Qt turns some statuses into errors outside the content and server groups (400 and 418 into an
// invalid operation, 407 into a proxy's demand, a 3xx without Location into an unknown protocol
// error), so whenever a status arrived it is the caller's to judge. Only a failed connection
// (errors below 100: refused, timed out, cancelled, TLS, redirects) or a success whose body broke
// off means the answer never arrived whole.
bool isTransportFailure(QNetworkReply::NetworkError error, const QVariant& status) {
    if (error == QNetworkReply::NoError) {
        return false;
    }
    const bool connectionFailed = static_cast<int>(error) < 100;
    const bool successBrokenOff = status.toInt() / 100 == 2;
    return !status.isValid() || connectionFailed || successBrokenOff;
}

const QString cancelledMessage = QStringLiteral("The transfer was cancelled.");

// Enrolls a transfer with the cancellations it answers to while it lives.
class Enrolment {
public:
    Enrolment(QNetworkReply* reply, QList<HttpCancellation*> cancellations)
        : m_reply(reply), m_cancellations(std::move(cancellations)) {}
    ~Enrolment() {
        for (HttpCancellation* cancellation : m_enrolled) {
            cancellation->withdraw(m_reply);
        }
    }
    Enrolment(const Enrolment&) = delete;
    Enrolment& operator=(const Enrolment&) = delete;

    // False when one of them is cancelled already.
    bool enroll() {
        for (HttpCancellation* cancellation : m_cancellations) {
            // The reply lives on the transfer's thread: it is aborted there, by its event loop.
            QNetworkReply* reply = m_reply;
            if (!cancellation->enroll(reply, [reply] {
                    QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
                })) {
                return false;
            }
            m_enrolled.append(cancellation);
        }
        return true;
    }

private:
    QNetworkReply* m_reply;
    QList<HttpCancellation*> m_cancellations;
    QList<HttpCancellation*> m_enrolled;
};

// One GET through an access manager, on the manager's thread: the body goes to `body` as it
// arrives, and `ended` is called there once with the outcome, at the latest when the transfer is
// deleted, which ends it as a cancellation.
class Transfer final : public QObject {
public:
    using Outcome = Result<HttpResponse, HttpTransportError>;
    using Ended = std::function<void(const Outcome&)>;

    Transfer(const HttpGetRequest& request, QIODevice& body, QList<HttpCancellation*> cancellations,
             QObject* parent = nullptr)
        : QObject(parent), m_request(request), m_body(body),
          m_cancellations(std::move(cancellations)) {}

    ~Transfer() override {
        if (m_ended && m_reply) {
            m_reply->disconnect(this);
            m_reply->abort();
        }
        end(HttpTransportError{cancelledMessage});
    }

    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Starts it with `manager`, which must live on this thread; `ended` may be called before
    // this returns.
    void start(QNetworkAccessManager& manager, Ended ended) {
        m_ended = std::move(ended);
        // A transfer cancelled while it waited to start opens no connection: the manager sends a
        // request at its first chance, even one aborted at once.
        if (isCancelled()) {
            end(HttpTransportError{cancelledMessage});
            return;
        }
        QNetworkRequest networkRequest(m_request.url);
        networkRequest.setTransferTimeout(static_cast<int>(m_request.timeout.count()));
        networkRequest.setMaximumRedirectsAllowed(maximumHttpRedirects);
        networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                    m_request.ignoreLocalCache ? QNetworkRequest::AlwaysNetwork
                                                               : QNetworkRequest::PreferNetwork);
        m_reply.reset(manager.get(networkRequest));
        m_reply->setReadBufferSize(replyBufferBytes);
        // Withdrawn before the reply goes, so that no abort reaches a reply that is gone.
        m_enrolment.emplace(m_reply.get(), m_cancellations);
        if (!m_enrolment->enroll()) {
            m_reply->abort();
            end(HttpTransportError{cancelledMessage});
            return;
        }
        connect(m_reply.get(), &QIODevice::readyRead, this, &Transfer::drain);
        connect(m_reply.get(), &QNetworkReply::finished, this, [this] {
            m_deadline.stop();
            drain();
            end(outcome());
        });
        // The inactivity time-out does not end a server that sends a byte now and then; this
        // does.
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, [this] {
            m_pastDeadline = true;
            m_reply->abort();
        });
        m_deadline.start(m_request.deadline);
        if (m_reply->isFinished()) {
            drain();
            end(outcome());
        }
    }

private:
    void drain() {
        while (m_writeError.isEmpty() && m_reply->bytesAvailable() > 0) {
            const QByteArray chunk = m_reply->read(replyBufferBytes);
            if (auto reason = base::writeAll(m_body, chunk)) {
                m_writeError = *reason;
                m_reply->abort();
            }
        }
    }

    bool isCancelled() const {
        return std::any_of(
            m_cancellations.begin(), m_cancellations.end(),
            [](const HttpCancellation* cancellation) { return cancellation->isCancelled(); });
    }

    void end(const Outcome& outcome) {
        if (m_ended) {
            std::exchange(m_ended, {})(outcome);
        }
    }

    Outcome outcome() const {
        if (!m_writeError.isEmpty()) {
            return HttpTransportError{
                QStringLiteral("The downloaded data could not be written: %1").arg(m_writeError)};
        }
        if (m_pastDeadline) {
            return HttpTransportError{QStringLiteral("The transfer took longer than %1 seconds.")
                                          .arg(double(m_request.deadline.count()) / 1000.0)};
        }
        // Qt reports its own inactivity time-out as a cancellation too.
        if (m_reply->error() == QNetworkReply::OperationCanceledError && isCancelled()) {
            return HttpTransportError{cancelledMessage};
        }
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (isTransportFailure(m_reply->error(), status)) {
            return HttpTransportError{m_reply->errorString()};
        }
        HttpResponse response;
        if (status.isValid()) {
            response.statusCode = status.toInt();
        }
        return response;
    }

    const HttpGetRequest m_request;
    QIODevice& m_body;
    const QList<HttpCancellation*> m_cancellations;
    Ended m_ended;
    std::unique_ptr<QNetworkReply> m_reply;
    std::optional<Enrolment> m_enrolment;
    QTimer m_deadline;
    QString m_writeError;
    bool m_pastDeadline = false;
};

QList<HttpCancellation*> cancellationsOf(const HttpGetRequest& request,
                                         HttpCancellation& everyTransfer) {
    QList<HttpCancellation*> cancellations{&everyTransfer};
    if (request.cancellation) {
        cancellations.append(request.cancellation.get());
    }
    return cancellations;
}

} // namespace

void HttpCancellation::cancel() {
    QMutexLocker lock(&m_mutex);
    m_cancelled = true;
    for (const auto& abort : std::as_const(m_aborts)) {
        abort();
    }
}

bool HttpCancellation::isCancelled() const {
    QMutexLocker lock(&m_mutex);
    return m_cancelled;
}

bool HttpCancellation::enroll(const void* transfer, std::function<void()> abort) {
    QMutexLocker lock(&m_mutex);
    if (m_cancelled) {
        return false;
    }
    m_aborts.insert(transfer, std::move(abort));
    return true;
}

void HttpCancellation::withdraw(const void* transfer) {
    QMutexLocker lock(&m_mutex);
    m_aborts.remove(transfer);
}

void NetworkHttpClient::abortTransfers() {
    m_everyTransfer.cancel();
}

// The thread fetches run on, with its access manager, which lives and goes there.
class NetworkHttpClient::FetchThread {
public:
    FetchThread() {
        m_context.moveToThread(&m_thread);
        m_thread.start();
    }
    ~FetchThread() {
        // The transfers left end as cancellations, then the manager goes, each on its thread.
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                const QObjectList transfers = m_context.children();
                qDeleteAll(transfers);
                delete m_manager;
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    FetchThread(const FetchThread&) = delete;
    FetchThread& operator=(const FetchThread&) = delete;

    QFuture<Result<HttpDownload, HttpTransportError>>
    fetch(const HttpGetRequest& request, qint64 byteLimit, QList<HttpCancellation*> cancellations) {
        auto promise = std::make_shared<QPromise<Result<HttpDownload, HttpTransportError>>>();
        QFuture<Result<HttpDownload, HttpTransportError>> future = promise->future();
        promise->start();
        QMetaObject::invokeMethod(
            &m_context,
            [this, request, byteLimit, cancellations, promise] {
                if (m_manager == nullptr) {
                    m_manager = new QNetworkAccessManager;
                }
                auto body = std::make_shared<BoundedBody>(byteLimit);
                auto* transfer = new Transfer(request, *body, cancellations, &m_context);
                transfer->start(
                    *m_manager, [transfer, body, promise](const Transfer::Outcome& outcome) {
                        if (outcome) {
                            promise->addResult(HttpDownload{outcome->statusCode, body->bytes()});
                        } else {
                            promise->addResult(outcome.error());
                        }
                        promise->finish();
                        transfer->deleteLater();
                    });
            },
            Qt::QueuedConnection);
        return future;
    }

private:
    QThread m_thread;
    // The parent of the transfers under way; lives on m_thread.
    QObject m_context;
    // Only touched on m_thread.
    QNetworkAccessManager* m_manager = nullptr;
};

NetworkHttpClient::NetworkHttpClient() = default;

NetworkHttpClient::~NetworkHttpClient() {
    m_everyTransfer.cancel();
    m_fetchThread.reset();
}

Result<HttpResponse, HttpTransportError> NetworkHttpClient::get(const HttpGetRequest& request,
                                                                QIODevice& body) {
    Q_ASSERT(QCoreApplication::instance() == nullptr ||
             QThread::currentThread() != QCoreApplication::instance()->thread());
    QNetworkAccessManager manager;
    std::optional<Transfer::Outcome> outcome;
    QEventLoop loop;
    Transfer transfer(request, body, cancellationsOf(request, m_everyTransfer));
    transfer.start(manager, [&](const Transfer::Outcome& ended) {
        outcome = ended;
        loop.quit();
    });
    if (!outcome) {
        loop.exec();
    }
    return *outcome;
}

QFuture<Result<HttpDownload, HttpTransportError>>
NetworkHttpClient::fetch(const HttpGetRequest& request, qint64 byteLimit) {
    QMutexLocker lock(&m_fetchThreadMutex);
    if (!m_fetchThread) {
        m_fetchThread = std::make_unique<FetchThread>();
    }
    return m_fetchThread->fetch(request, byteLimit, cancellationsOf(request, m_everyTransfer));
}

} // namespace marlox::platform
