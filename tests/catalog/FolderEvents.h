#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace marlox::testing {

// The kernel's own record of what happens to the entries of one folder, made if missing.
class FolderEvents {
public:
    FolderEvents(const QString& folder, uint32_t mask)
        : m_descriptor(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        QDir().mkpath(folder);
        inotify_add_watch(m_descriptor, QFile::encodeName(folder).constData(), mask);
    }
    ~FolderEvents() { close(m_descriptor); }
    FolderEvents(const FolderEvents&) = delete;
    FolderEvents& operator=(const FolderEvents&) = delete;

    // Reads every event so far; how many of them were one of `mask` on the entry `name`.
    int drain(const char* name = "", uint32_t mask = 0) {
        int count = 0;
        alignas(inotify_event) char buffer[65536];
        ssize_t length = 0;
        while ((length = read(m_descriptor, buffer, sizeof buffer)) > 0) {
            for (char* cursor = buffer; cursor < buffer + length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(cursor);
                if (event->len > 0 && qstrcmp(event->name, name) == 0 && (event->mask & mask)) {
                    ++count;
                }
                cursor += sizeof(inotify_event) + event->len;
            }
        }
        return count;
    }

    // Waits for the next event; false when none came within ten seconds.
    bool await() {
        pollfd descriptor{m_descriptor, POLLIN, 0};
        return poll(&descriptor, 1, 10000) == 1;
    }

private:
    int m_descriptor;
};

} // namespace marlox::testing
