#include "ReadOnlyFolder.h"

#include <QFile>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <utility>

namespace marlox::testing {
namespace {

// Capabilities are per thread; these change only the calling thread's effective set.
bool setDacOverride(bool enabled) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    const unsigned mask = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    if (enabled) {
        data[0].effective |= mask & data[0].permitted;
    } else {
        data[0].effective &= ~mask;
    }
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(QString path)
    : m_path(std::move(path)), m_previousPermissions(QFile::permissions(m_path)) {
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                      QFileDevice::ReadOther | QFileDevice::ExeOther);
    if (geteuid() == 0) {
        m_droppedOverride = setDacOverride(false);
    }
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (m_droppedOverride) {
        setDacOverride(true);
    }
    QFile::setPermissions(m_path, m_previousPermissions);
}

bool ReadOnlyFolder::holds() const {
    QFile probe(m_path + QLatin1String("/.write-probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        return false;
    }
    return true;
}

} // namespace marlox::testing
