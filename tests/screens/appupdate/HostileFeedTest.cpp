#include "support/AppUpdateTestSupport.h"

#include <QElapsedTimer>
#include <QFile>

#if !defined(__SANITIZE_ADDRESS__)
#include <malloc.h>
#endif

#include <atomic>
#include <thread>

using namespace marlox::screens;
using namespace marlox::testing;

#if defined(__SANITIZE_ADDRESS__)
// From the address sanitizer's runtime, whose headers the compiler does not always ship.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// Bytes the process holds on the heap, from whichever allocator is in use.
std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// The most the heap grew above where it stood at construction, sampled every millisecond.
class HeapGrowthSampler {
public:
    HeapGrowthSampler() : m_baseline(heapInUse()), m_thread([this] { sample(); }) {}
    ~HeapGrowthSampler() { stop(); }

    std::size_t stop() {
        m_stopped = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_peak > m_baseline ? m_peak - m_baseline : 0;
    }

private:
    void sample() {
        while (!m_stopped) {
            m_peak = std::max(m_peak.load(), heapInUse());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    const std::size_t m_baseline;
    std::atomic<std::size_t> m_peak{0};
    std::atomic<bool> m_stopped{false};
    std::thread m_thread;
};

// Writes `opening` until the file holds `bytes`, a megabyte at a time.
void writeRepeated(const QString& path, const QByteArray& opening, qint64 bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray chunk = opening.repeated(1024 * 1024 / opening.size());
    for (qint64 written = 0; written < bytes; written += chunk.size()) {
        ASSERT_EQ(file.write(chunk), chunk.size());
    }
}

using HostileFeedTest = AppUpdateTest;

TEST_F(HostileFeedTest, HostileFeedsAnnounceNothingQuicklyWithinABoundedHeap) {
    const QString hundredMegabytes = home.filePath("nested.xml");
    writeRepeated(hundredMegabytes, "<a>", 100 * 1024 * 1024);
    const QString justUnderTheLimit = home.filePath("nested-under-limit.xml");
    writeRepeated(justUnderTheLimit, "<item>", appcastFeedByteLimit - 1024 * 1024);
    QByteArray quadratic = R"(<!DOCTYPE rss [<!ENTITY a ")" + QByteArray(4000, 'a') +
                           R"(">]>)"
                           "<rss><item><sparkle:version>";
    quadratic += QByteArray("&a;").repeated((appcastFeedByteLimit - 8192) / 3);
    quadratic += "</sparkle:version></item></rss>";
    QByteArray laughs = R"(<!DOCTYPE rss [<!ENTITY l0 "ha">)";
    for (int level = 1; level <= 30; ++level) {
        laughs += QString("<!ENTITY l%1 \"&l%2;&l%2;\">").arg(level).arg(level - 1).toUtf8();
    }
    laughs += "]><rss><item><sparkle:version>&l30;</sparkle:version></item></rss>";
    // Each reference declares the entity again, four thousand characters each time.
    const QByteArray parameterEntities = R"(<!DOCTYPE rss [<!ENTITY % d "<!ENTITY a ')" +
                                         QByteArray(4000, 'a') + R"('>">)" +
                                         QByteArray("%d;").repeated(20000) + "]><rss/>";
    const QByteArray invalidUTF8 =
        appcast(appcastItem("120") + "<item><title>\xED\xA0\x80\xC0\xAF</title></item>");
    const QString tooLarge = "The appcast feed is larger than 8 MiB.";
    // The feed's body or file, whether it is served or read as a file, and the message.
    const std::tuple<const char*, QByteArray, QString, bool, std::optional<QString>> cases[] = {
        {"100 MB of nested elements served", {}, hundredMegabytes, true, tooLarge},
        {"100 MB of nested elements in a file", {}, hundredMegabytes, false, tooLarge},
        {"nested elements just under the limit", {}, justUnderTheLimit, true, std::nullopt},
        {"billion laughs", laughs, {}, true, std::nullopt},
        {"quadratic entity expansion", quadratic, {}, true, std::nullopt},
        {"parameter entities", parameterEntities, {}, true, std::nullopt},
        {"invalid UTF-8 after a valid item", invalidUTF8, {}, true, std::nullopt},
    };
    for (const auto& [name, body, file, served, message] : cases) {
        SCOPED_TRACE(name);
        // GIVEN a service reading the hostile feed
        server.setAnswer("/appcast.xml", HttpAnswer{200, body, file, {}});
        const auto service =
            makeService(served ? server.url("/appcast.xml") : QUrl::fromLocalFile(file));
        QElapsedTimer clock;
        clock.start();
        HeapGrowthSampler heap;

        // WHEN it refreshes, not silently
        refresh(*service, false);

        // THEN it announces nothing, soon, having held at most a few copies of the limit
        const std::size_t growth = heap.stop();
        EXPECT_EQ(service->availableUpdate(), std::nullopt);
        EXPECT_EQ(service->lastErrorMessage(), message);
        EXPECT_LT(growth, std::size_t(64) * 1024 * 1024);
        EXPECT_LT(clock.elapsed(), 20'000);
    }
}

} // namespace
