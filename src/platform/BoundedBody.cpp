#include "BoundedBody.h"

namespace marlox::platform {

BoundedBody::BoundedBody(qint64 limit) : m_limit(limit) {
    open(QIODevice::WriteOnly);
}

qint64 BoundedBody::readData(char*, qint64) {
    return -1;
}

qint64 BoundedBody::writeData(const char* data, qint64 length) {
    if (m_bytes.size() + length > m_limit) {
        m_exceeded = true;
        setErrorString(QStringLiteral("The body is larger than %1 bytes.").arg(m_limit));
        return -1;
    }
    m_bytes.append(data, length);
    return length;
}

} // namespace marlox::platform
