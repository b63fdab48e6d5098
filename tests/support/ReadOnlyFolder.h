#pragma once

#include <QFileDevice>
#include <QString>

namespace marlox::testing {

// Makes a folder read-only for the calling thread while it lives. Root ignores permission bits,
// so when the tests run as root the thread also sets aside its power to override them; the
// permissions and that power come back when it goes.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(QString path);
    ~ReadOnlyFolder();

    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // Whether a file really cannot be made inside; a test asserts this before relying on it.
    bool holds() const;

private:
    QString m_path;
    QFileDevice::Permissions m_previousPermissions;
    bool m_droppedOverride = false;
};

} // namespace marlox::testing
