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
// How soon a cancelled transfer notices.
constexpr std::chrono::milliseconds cancellationCheckInterval(50);

// Errors of the content (201-299) and server (401-499) groups come with an HTTP status that the
// caller judges; every other error means the answer never arrived whole.
bool isTransportFailure(QNetworkReply::NetworkError error) {
    const int code = static_cast<int>(error);
    if (error == QNetworkReply::NoError) {
        return false;
    }
    return !((code >= 201 && code <= 299) || (code >= 401 && code <= 499));
}

} // namespace

Result<HttpResponse, HttpTransportError> NetworkHttpClient::get(const HttpGetRequest& request,
                                                                QIODevice& body) {
    Q_ASSERT(QCoreApplication::instance() == nullptr ||
             QThread::currentThread() != QCoreApplication::instance()->thread());

    QNetworkRequest networkRequest(request.url);
    networkRequest.setTransferTimeout(static_cast<int>(request.timeout.count()));
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                request.ignoreLocalCache ? QNetworkRequest::AlwaysNetwork
                                                         : QNetworkRequest::PreferNetwork);

    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(networkRequest));
    reply->setReadBufferSize(replyBufferBytes);

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
    // The flag is set on another thread, which cannot touch the reply: it is looked at here.
    QTimer cancellationCheck;
    if (request.cancelled) {
        QObject::connect(&cancellationCheck, &QTimer::timeout, &loop, [&] {
            if (*request.cancelled) {
                reply->abort();
            }
        });
        cancellationCheck.start(cancellationCheckInterval);
    }
    if (!reply->isFinished()) {
        loop.exec();
    }
    drain();

    if (!writeError.isEmpty()) {
        return HttpTransportError{
            QStringLiteral("The downloaded data could not be written: %1").arg(writeError)};
    }
    if (isTransportFailure(reply->error())) {
        return HttpTransportError{reply->errorString()};
    }
    HttpResponse response;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        response.statusCode = status.toInt();
    } else if (reply->error() != QNetworkReply::NoError) {
        return HttpTransportError{reply->errorString()};
    }
    return response;
}

} // namespace marlox::platform
