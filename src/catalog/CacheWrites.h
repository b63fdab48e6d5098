#pragma once

#include <QList>
#include <QMutex>
#include <QWaitCondition>

#include <functional>

namespace marlox::catalog {

// The writes into the Cache folder, kept apart from its clearing: a write asked for while the
// folder is being cleared is held and made once it stands empty again, so that nothing is written
// into a folder on its way out, and nothing asked for after the clearing began is lost with it.
// One instance, made by the application and handed to whatever writes into the folder and to
// what clears it.
class CacheWrites {
public:
    // Makes the write now, on the calling thread, unless a clearing runs: then it is held and
    // made on the clearing's thread once the folder has been cleared, in the order asked.
    void write(const std::function<void()>& write);

    // From now on writes are held; returns at once. Then clearThenRelease(), once.
    void holdWrites();
    // Waits for the writes already under way, runs `clear`, makes the held writes and lets the
    // next ones through. Blocks: run it off the main thread.
    void clearThenRelease(const std::function<void()>& clear);

private:
    QMutex m_mutex;
    QWaitCondition m_writeEnded;
    int m_writesUnderWay = 0;
    bool m_holding = false;
    QList<std::function<void()>> m_held;
};

} // namespace marlox::catalog
