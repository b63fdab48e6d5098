#include "HostApplicationGuard.h"

#include <QSet>

namespace marlox::install {

HostApplicationGuard::HostApplicationGuard(
    std::shared_ptr<const platform::ProcessLister> processLister)
    : m_processLister(std::move(processLister)) {}

const QList<HostApplicationGuard::HostApplication>& HostApplicationGuard::hosts() {
    static const QList<HostApplication> table = {
        {QStringLiteral("Final Cut Pro"),
         {QStringLiteral("com.apple.FinalCut")},
         QStringLiteral("Final Cut Pro")},
        {QStringLiteral("Apple Motion"),
         {QStringLiteral("com.apple.motionapp"), QStringLiteral("com.apple.Motion")},
         QStringLiteral("Motion")},
    };
    return table;
}

std::optional<HostApplicationGuard::HostInstances>
HostApplicationGuard::runningInstances(const HostApplication& host) const {
    QSet<qint64> seen;
    QList<platform::RunningApplication> instances;
    for (const QString& identifier : host.bundleIdentifiers) {
        for (const auto& application :
             m_processLister->runningApplications(identifier, host.executableName)) {
            if (application.isTerminated || seen.contains(application.processIdentifier)) {
                continue;
            }
            seen.insert(application.processIdentifier);
            instances.append(application);
        }
    }
    if (instances.isEmpty()) {
        return std::nullopt;
    }
    return HostInstances{host, instances};
}

QList<HostApplicationGuard::HostInstances> HostApplicationGuard::runningHostApplications() const {
    QList<HostInstances> running;
    for (const HostApplication& host : hosts()) {
        if (auto instances = runningInstances(host)) {
            running.append(std::move(*instances));
        }
    }
    return running;
}

QStringList HostApplicationGuard::runningHostNames() const {
    QStringList names;
    for (const auto& [host, instances] : runningHostApplications()) {
        names.append(host.displayName);
    }
    return names;
}

} // namespace marlox::install
