#pragma once

#include <QFile>
#include <QString>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace marlox::testing {

// Holds the calling thread to permission bits while it lives. Root ignores them, so as root the
// thread sets aside its power to override them until this goes.
class NoPermissionOverride {
public:
    NoPermissionOverride() : m_dropped(geteuid() == 0 && setDacOverride(false)) {}
    ~NoPermissionOverride() {
        if (m_dropped) {
            setDacOverride(true);
        }
    }

    NoPermissionOverride(const NoPermissionOverride&) = delete;
    NoPermissionOverride& operator=(const NoPermissionOverride&) = delete;

private:
    // Capabilities are per thread; this changes only the calling thread's effective set.
    static bool setDacOverride(bool enabled) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
        if (syscall(SYS_capget, &header, data) != 0) {
            return false;
        }
        const unsigned mask = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
        data[0].effective =
            enabled ? data[0].effective | (mask & data[0].permitted) : data[0].effective & ~mask;
        return syscall(SYS_capset, &header, data) == 0;
    }

    bool m_dropped;
};

// Makes a folder read-only for the calling thread while it lives, root included.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(QString path)
        : m_path(std::move(path)), m_previousPermissions(QFile::permissions(m_path)) {
        using enum QFileDevice::Permission;
        QFile::setPermissions(m_path,
                              ReadOwner | ExeOwner | ReadGroup | ExeGroup | ReadOther | ExeOther);
    }
    ~ReadOnlyFolder() { QFile::setPermissions(m_path, m_previousPermissions); }

    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // Whether a file really cannot be made inside; assert it before relying on it.
    bool holds() const {
        QFile probe(m_path + QLatin1String("/.write-probe"));
        if (!probe.open(QIODevice::WriteOnly)) {
            return true;
        }
        probe.remove();
        return false;
    }

private:
    QString m_path;
    QFileDevice::Permissions m_previousPermissions;
    NoPermissionOverride m_heldToPermissions;
};

} // namespace marlox::testing
