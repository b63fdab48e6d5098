#pragma once

#include "platform/BackgroundWork.h"

#include <QSemaphore>
#include <QThreadPool>

#include <memory>

namespace marlox::testing {

// Keeps every thread of a pool busy from its making until it lets go (at the latest when it goes,
// which waits until every thread is free again), so that a test sees what waits for one of them.
class HeldThreads {
public:
    explicit HeldThreads(QThreadPool& pool = *platform::utilityThreadPool())
        : m_count(pool.maxThreadCount()) {
        for (int thread = 0; thread < m_count; ++thread) {
            // The semaphores outlive this object for as long as a task still uses them.
            pool.start([state = m_state] {
                state->started.release();
                state->go.acquire();
                state->ended.release();
            });
        }
        m_state->started.acquire(m_count);
    }
    ~HeldThreads() {
        letGo();
        m_state->ended.acquire(m_count);
    }

    HeldThreads(const HeldThreads&) = delete;
    HeldThreads& operator=(const HeldThreads&) = delete;

    void letGo() {
        if (m_held) {
            m_held = false;
            m_state->go.release(m_count);
        }
    }

private:
    struct State {
        QSemaphore started;
        QSemaphore go;
        QSemaphore ended;
    };

    const int m_count;
    bool m_held = true;
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace marlox::testing
