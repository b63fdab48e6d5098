#include "HttpClient.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>

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

} // namespace

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
    if (!reply->isFinished()) {
        loop.exec();
    }
    drain();

    if (!writeError.isEmpty()) {
        return HttpTransportError{
            QStringLiteral("The downloaded data could not be written: %1").arg(writeError)};
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
