#pragma once

#include "platform/ProcessList.h"

namespace marlox::bench {

// Whatever else runs on the machine (a test's stand-in for a host application among them) must
// not stop the run: the host check is not what is measured.
struct NoHostApplications final : platform::ProcessLister {
    QList<platform::RunningApplication> runningApplications(const QString&,
                                                            const QString&) const override {
        return {};
    }
};

} // namespace marlox::bench
