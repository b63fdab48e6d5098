#include "platform/HttpClient.h"

#include "platform/BoundedBody.h"
#include "support/AwaitFuture.h"
#include "support/LoopbackHttpServer.h"
#include "support/QtPrinters.h"

#include <QBuffer>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

using namespace marlox;
using namespace marlox::platform;
using namespace marlox::testing;

namespace {

// The two ways of a transfer: a GET blocking a worker thread, and a fetch that holds none.
enum class Way { get, fetch };

// The transfer made that way; its outcome is the body or the error's text.
QFuture<QString> fetched(HttpClient& client, const HttpGetRequest& request, Way way = Way::get) {
    if (way == Way::fetch) {
        return client.fetch(request, 1024)
            .then([](const Result<HttpDownload, HttpTransportError>& outcome) {
                return outcome ? QString::fromUtf8(outcome->body) : outcome.error().description();
            });
    }
    return QtConcurrent::run([&client, request] {
        QByteArray body;
        QBuffer buffer(&body);
        buffer.open(QIODevice::WriteOnly);
        const auto response = client.get(request, buffer);
        return response ? QString::fromUtf8(body) : response.error().description();
    });
}

// Waiting on a future that has not started would run it on this thread: a watcher waits instead.
QString outcome(const QFuture<QString>& transfer) {
    EXPECT_TRUE(awaitFuture(transfer));
    return transfer.isFinished() ? transfer.result() : QString();
}

TEST(HttpClientTest, AServerThatDripsItsAnswerIsCutOffAtTheDeadline) {
    for (const Way way : {Way::get, Way::fetch}) {
        SCOPED_TRACE(way == Way::get ? "get" : "fetch");
        // GIVEN a server that sends a byte every 50 ms, never silent long enough for the time-out
        LoopbackHttpServer server;
        server.setAnswer("/slow", HttpAnswer{.body = "0123456789",
                                             .dripInterval = std::chrono::milliseconds(50)});
        NetworkHttpClient client;
        HttpGetRequest request{server.url("/slow")};
        request.timeout = std::chrono::seconds(60);

        // WHEN the whole transfer may take 0.2 s, THEN it ends there; with time enough it
        // completes
        request.deadline = std::chrono::milliseconds(200);
        EXPECT_EQ(outcome(fetched(client, request, way)),
                  "The transfer took longer than 0.2 seconds.");
        request.deadline = std::chrono::seconds(30);
        EXPECT_EQ(outcome(fetched(client, request, way)), "0123456789");
    }
}

// Answers once every transfer sent to the server before it has been: a fresh client's request
// that goes after them.
void waitForEarlierTransfers(LoopbackHttpServer& server) {
    server.setAnswer("/barrier", HttpAnswer{.body = "barrier"});
    NetworkHttpClient client;
    EXPECT_EQ(outcome(fetched(client, HttpGetRequest{server.url("/barrier")})), "barrier");
}

TEST(HttpClientTest, CancellingEndsTheTransferInFlightAtOnceAndEveryLaterOne) {
    for (const auto& [wholeClient, way] :
         {std::pair(true, Way::get), std::pair(false, Way::get), std::pair(true, Way::fetch),
          std::pair(false, Way::fetch)}) {
        SCOPED_TRACE(wholeClient ? "the client's transfers" : "the request's cancellation");
        SCOPED_TRACE(way == Way::get ? "get" : "fetch");
        // GIVEN a transfer waiting on a server that does not answer until it is told to
        LoopbackHttpServer server;
        server.setAnswer("/held", HttpAnswer{.body = "late", .held = true});
        NetworkHttpClient client;
        HttpGetRequest request{server.url("/held")};
        request.cancellation = std::make_shared<HttpCancellation>();
        const QFuture<QString> transfer = fetched(client, request, way);
        ASSERT_TRUE(server.waitForRequestCount("/held", 1));

        // WHEN it is cancelled, THEN it ends with that, the server still holding its answer
        wholeClient ? client.abortTransfers() : request.cancellation->cancel();
        EXPECT_EQ(outcome(transfer), "The transfer was cancelled.");

        // AND later transfers end the same way without opening a connection to the server
        for (int later = 0; later < 5; ++later) {
            EXPECT_EQ(outcome(fetched(client, request, way)), "The transfer was cancelled.");
        }
        server.releaseHeldAnswers();
        waitForEarlierTransfers(server);
        EXPECT_EQ(server.requestCount("/held"), 1);
        EXPECT_EQ(server.connectionCount(), 2);
    }
}

TEST(HttpClientTest, AFetchCancelledWhileQueuedBehindItsServersSixNeverReachesIt) {
    // GIVEN six fetches held by their server, as many as go to one server at once, and a
    // seventh queued behind them
    LoopbackHttpServer server;
    NetworkHttpClient client;
    QList<QFuture<QString>> held;
    for (int index = 0; index < 6; ++index) {
        const QString path = QString("/held-%1").arg(index);
        server.setAnswer(path, HttpAnswer{.body = "held", .held = true});
        held.append(fetched(client, HttpGetRequest{server.url(path)}, Way::fetch));
        ASSERT_TRUE(server.waitForRequestCount(path, 1));
    }
    server.setAnswer("/queued", HttpAnswer{.body = "sent anyway"});
    HttpGetRequest queued{server.url("/queued")};
    queued.cancellation = std::make_shared<HttpCancellation>();
    const QFuture<QString> cancelled = fetched(client, queued, Way::fetch);

    // WHEN it is cancelled, THEN it ends so at once
    queued.cancellation->cancel();
    EXPECT_EQ(outcome(cancelled), "The transfer was cancelled.");

    // AND once the six have their answers, it was never sent
    server.releaseHeldAnswers();
    for (const QFuture<QString>& transfer : held) {
        EXPECT_EQ(outcome(transfer), "held");
    }
    waitForEarlierTransfers(server);
    EXPECT_EQ(server.requestCount("/queued"), 0);
}

TEST(BoundedBodyTest, HoldsABodyOfExactlyItsLimitAndRefusesTheByteBeyond) {
    // GIVEN a body bounded at ten bytes, WHEN ten arrive in two writes, THEN it holds them all
    BoundedBody body(10);
    EXPECT_EQ(body.write("01234"), 5);
    EXPECT_EQ(body.write("56789"), 5);
    EXPECT_FALSE(body.exceeded());

    // WHEN one more arrives THEN that write is refused and the body stays as it was
    EXPECT_EQ(body.write("x"), -1);
    EXPECT_TRUE(body.exceeded());
    EXPECT_EQ(body.bytes(), "0123456789");
}

} // namespace
