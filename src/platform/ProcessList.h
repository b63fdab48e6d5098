#pragma once

#include <QList>
#include <QString>

namespace marlox::platform {

// One instance of an application as the system reports it.
struct RunningApplication {
    qint64 processIdentifier = 0;
    // A process that has ended but is still listed (a zombie waiting for its parent).
    bool isTerminated = false;
};

// Asks the system which applications are running.
class ProcessLister {
public:
    virtual ~ProcessLister() = default;
    // The instances of the application known by that bundle identifier. Where the system has no
    // bundle identifiers, the executable name is what identifies it.
    virtual QList<RunningApplication> runningApplications(const QString& bundleIdentifier,
                                                          const QString& executableName) const = 0;
};

// The real list: on Linux the current user's processes in /proc whose command name or executable
// file name is the executable name.
class SystemProcessLister final : public ProcessLister {
public:
    explicit SystemProcessLister(QString processFolder = QStringLiteral("/proc"))
        : m_processFolder(std::move(processFolder)) {}

    QList<RunningApplication> runningApplications(const QString& bundleIdentifier,
                                                  const QString& executableName) const override;

private:
    QString m_processFolder;
};

} // namespace marlox::platform
