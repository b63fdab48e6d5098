#pragma once

#include "platform/ProcessList.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

namespace marlox::install {

// Tells which host applications that load our plug-ins have a live instance. It only reads the
// list of running applications; it never quits or signals them.
class HostApplicationGuard {
public:
    struct HostApplication {
        QString displayName;
        QStringList bundleIdentifiers;
        // What identifies the host where the system has no bundle identifiers.
        QString executableName;
    };
    using HostInstances = std::pair<HostApplication, QList<platform::RunningApplication>>;

    explicit HostApplicationGuard(std::shared_ptr<const platform::ProcessLister> processLister);

    // Final Cut Pro, then Apple Motion.
    static const QList<HostApplication>& hosts();

    // Display names of the hosts with a live instance, in table order, each at most once.
    QStringList runningHostNames() const;
    QList<HostInstances> runningHostApplications() const;
    std::optional<HostInstances> runningInstances(const HostApplication& host) const;

private:
    std::shared_ptr<const platform::ProcessLister> m_processLister;
};

} // namespace marlox::install
