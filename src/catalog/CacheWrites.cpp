#include "CacheWrites.h"

#include <QMutexLocker>

#include <utility>

namespace marlox::catalog {

void CacheWrites::write(const std::function<void()>& write) {
    {
        QMutexLocker lock(&m_mutex);
        if (m_holding) {
            m_held.append(write);
            return;
        }
        ++m_writesUnderWay;
    }
    write();
    QMutexLocker lock(&m_mutex);
    --m_writesUnderWay;
    m_writeEnded.wakeAll();
}

void CacheWrites::holdWrites() {
    QMutexLocker lock(&m_mutex);
    m_holding = true;
}

void CacheWrites::clearThenRelease(const std::function<void()>& clear) {
    {
        QMutexLocker lock(&m_mutex);
        while (m_writesUnderWay > 0) {
            m_writeEnded.wait(&m_mutex);
        }
    }
    clear();
    // Writes asked for while the held ones are made wait behind them, so that a later copy of a
    // file is never overwritten by an earlier one.
    for (;;) {
        QList<std::function<void()>> held;
        {
            QMutexLocker lock(&m_mutex);
            if (m_held.isEmpty()) {
                m_holding = false;
                return;
            }
            held = std::exchange(m_held, {});
        }
        for (const auto& write : held) {
            write();
        }
    }
}

} // namespace marlox::catalog
