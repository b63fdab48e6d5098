#include "HttpClient.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

#include <memory>

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

Result<HttpResponse, HttpTransportError> NetworkHttpClient::get(const HttpGetRequest& request,
                                                                QIODevice& body) {
    Q_ASSERT(QCoreApplication::instance() == nullptr ||
             QThread::currentThread() != QCoreApplication::instance()->thread());

    QNetworkRequest networkRequest(request.url);
    networkRequest.setTransferTimeout(static_cast<int>(request.timeout.count()));
    networkRequest.setMaximumRedirectsAllowed(maximumHttpRedirects);
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                request.ignoreLocalCache ? QNetworkRequest::AlwaysNetwork
                                                         : QNetworkRequest::PreferNetwork);

    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(networkRequest));
    reply->setReadBufferSize(replyBufferBytes);
    // Withdrawn before the reply goes, so that no abort reaches a reply that is gone.
    QList<HttpCancellation*> cancellations{&m_everyTransfer};
    if (request.cancellation) {
        cancellations.append(request.cancellation.get());
    }
    Enrolment enrolment(reply.get(), cancellations);
    if (!enrolment.enroll()) {
        reply->abort();
        return HttpTransportError{cancelledMessage};
    }

    QString writeError;
    const auto drain = [&] {
        while (writeError.isEmpty() && reply->bytesAvailable() > 0) {
            const QByteArray chunk = reply->read(replyBufferBytes);
            if (body.write(chunk) != chunk.size()) {
                writeError = body.errorString();
                reply->abort();
            }
        }
    };
    QEventLoop loop;
    QObject::connect(reply.get(), &QIODevice::readyRead, &loop, drain);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // The inactivity time-out does not end a server that sends a byte now and then; this does.
    bool pastDeadline = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply.get(), [&] {
        pastDeadline = true;
        reply->abort();
    });
    deadline.start(request.deadline);
    if (!reply->isFinished()) {
        loop.exec();
    }
    deadline.stop();
    drain();

    if (!writeError.isEmpty()) {
        return HttpTransportError{
            QStringLiteral("The downloaded data could not be written: %1").arg(writeError)};
    }
    if (pastDeadline) {
        return HttpTransportError{QStringLiteral("The transfer took longer than %1 seconds.")
                                      .arg(double(request.deadline.count()) / 1000.0)};
    }
    // Qt reports its own inactivity time-out as a cancellation too.
    if (reply->error() == QNetworkReply::OperationCanceledError &&
        (m_everyTransfer.isCancelled() ||
         (request.cancellation && request.cancellation->isCancelled()))) {
        return HttpTransportError{cancelledMessage};
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (isTransportFailure(reply->error(), status)) {
        return HttpTransportError{reply->errorString()};
    }
    HttpResponse response;
    if (status.isValid()) {
        response.statusCode = status.toInt();
    }
    return response;
}

} // namespace marlox::platform
