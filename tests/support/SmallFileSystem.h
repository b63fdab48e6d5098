#pragma once

#include <QString>

#include <optional>

namespace marlox::testing {

// A small file system of its own (a tmpfs) mounted on a folder while it lives, holding what the
// folder held, which a test fills to the brim to see what a full disk does; what it holds is gone
// with it. Mounting takes root's power over mounts; where the test has none, `unavailable()` says
// why and the test skips, saying so.
class SmallFileSystem {
public:
    explicit SmallFileSystem(QString folder, qint64 sizeBytes = 1024 * 1024);
    ~SmallFileSystem();

    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    const std::optional<QString>& unavailable() const { return m_unavailable; }
    // Takes all its room but about `leftBytes` (rounded to the pages it counts in) with a filler
    // file of its own.
    void fill(qint64 leftBytes = 0);
    // Gives back the room the filler took.
    void makeRoom();
    qint64 freeBytes() const;
    // Mounts it again read-only, as a registry folder on a read-only file system; why not, where
    // it cannot be.
    std::optional<QString> makeReadOnly();

private:
    QString m_folder;
    QString m_filler;
    std::optional<QString> m_unavailable;
};

} // namespace marlox::testing

// Skips the test, saying why, where no small file system can be mounted.
#define MARLOX_SKIP_WITHOUT(fileSystem)                                                            \
    if (const auto& reason = (fileSystem).unavailable())                                          \
    GTEST_SKIP() << "No small file system can be mounted here: " << reason->toStdString()
