#pragma once

#include "platform/BackgroundWork.h"

#include <QSemaphore>
#include <QThreadPool>

namespace marlox::testing {

// Keeps every thread of a pool busy from its making until it lets go (at the latest when it goes),
// so that a test sees what waits for one of them.
class HeldThreads {
public:
    explicit HeldThreads(QThreadPool& pool = *platform::utilityThreadPool())
        : m_count(pool.maxThreadCount()) {
        for (int thread = 0; thread < m_count; ++thread) {
            pool.start([this] {
                m_started.release();
                m_go.acquire();
            });
        }
        m_started.acquire(m_count);
    }
    ~HeldThreads() { letGo(); }

    HeldThreads(const HeldThreads&) = delete;
    HeldThreads& operator=(const HeldThreads&) = delete;

    void letGo() {
        if (m_held) {
            m_held = false;
            m_go.release(m_count);
        }
    }

private:
    const int m_count;
    bool m_held = true;
    QSemaphore m_started;
    QSemaphore m_go;
};

} // namespace marlox::testing
