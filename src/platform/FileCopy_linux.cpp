#include "FileCopy.h"

#include <QByteArray>

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace marlox::platform {
namespace {

bool writeAll(int destination, const char* bytes, ssize_t length) {
    for (ssize_t written = 0; written < length;) {
        const ssize_t step = ::write(destination, bytes + written, size_t(length - written));
        if (step < 0 && errno != EINTR) {
            return false;
        }
        written += step < 0 ? 0 : step;
    }
    return true;
}

} // namespace

bool copyFileContents(int source, int destination, off_t size) {
    off_t remaining = size;
    bool useKernelCopy = true;
    while (remaining > 0 && useKernelCopy) {
        const ssize_t copied =
            ::copy_file_range(source, nullptr, destination, nullptr, size_t(remaining), 0);
        if (copied > 0) {
            remaining -= copied;
        } else if (copied == 0) {
            break;
        } else if (errno == EINTR) {
            continue;
        } else if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
            useKernelCopy = false;
        } else {
            return false;
        }
    }
    // The rest (or all, where the kernel cannot copy between these files) the plain way; this
    // also picks up a file that grew since it was measured. The buffer is only made when there is
    // something left, which after a kernel copy there rarely is.
    std::vector<char> buffer;
    char probe = 0;
    while (true) {
        char* bytes = buffer.empty() ? &probe : buffer.data();
        const ssize_t read = ::read(source, bytes, buffer.empty() ? 1 : buffer.size());
        if (read == 0) {
            return true;
        }
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read < 0 || !writeAll(destination, bytes, read)) {
            return false;
        }
        if (buffer.empty()) {
            buffer.resize(1 << 20);
        }
    }
}

void copyExtendedAttributes(int source, int destination) {
    const ssize_t listSize = ::flistxattr(source, nullptr, 0);
    if (listSize <= 0) {
        return;
    }
    QByteArray names(listSize, '\0');
    const ssize_t actual = ::flistxattr(source, names.data(), names.size());
    for (qsizetype offset = 0; offset < actual;) {
        const char* name = names.constData() + offset;
        offset += qsizetype(std::strlen(name)) + 1;
        const ssize_t valueSize = ::fgetxattr(source, name, nullptr, 0);
        if (valueSize < 0) {
            continue;
        }
        QByteArray value(valueSize, '\0');
        if (::fgetxattr(source, name, value.data(), value.size()) == valueSize) {
            ::fsetxattr(destination, name, value.constData(), value.size(), 0);
        }
    }
}

std::array<timespec, 2> accessAndModificationTimes(const struct stat& status) {
    return {status.st_atim, status.st_mtim};
}

} // namespace marlox::platform
