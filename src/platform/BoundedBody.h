#pragma once

#include <QByteArray>
#include <QIODevice>

namespace marlox::platform {

// The body of an answer gathered in memory up to a limit: the write that would pass the limit is
// refused, which ends the transfer, so an oversized body is never held whole.
class BoundedBody final : public QIODevice {
public:
    // Open for writing from the start.
    explicit BoundedBody(qint64 limit);

    const QByteArray& bytes() const { return m_bytes; }
    // Whether a write was refused for passing the limit.
    bool exceeded() const { return m_exceeded; }

protected:
    qint64 readData(char* data, qint64 length) override;
    qint64 writeData(const char* data, qint64 length) override;

private:
    qint64 m_limit;
    QByteArray m_bytes;
    bool m_exceeded = false;
};

} // namespace marlox::platform
