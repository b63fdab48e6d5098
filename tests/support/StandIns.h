#pragma once

// Stand-ins for the login item and the process list, free of any test framework so that the
// helper programs the tests start can use them too.
#include "platform/LoginItem.h"
#include "platform/ProcessList.h"

#include <QList>
#include <QString>

#include <map>
#include <optional>

namespace marlox::testing {

// Never registered, and refuses to register.
struct NoLoginItem final : platform::LoginItem {
    platform::LoginItemStatus status() const override {
        return platform::LoginItemStatus::notRegistered;
    }
    std::optional<platform::LoginItemError> registerItem() override {
        return platform::LoginItemError{"no"};
    }
    std::optional<platform::LoginItemError> unregisterItem() override { return std::nullopt; }
};

// Lists the applications the test put under their bundle identifier; none by default.
struct FakeProcessLister final : platform::ProcessLister {
    std::map<QString, QList<platform::RunningApplication>> byIdentifier;

    QList<platform::RunningApplication> runningApplications(const QString& bundleIdentifier,
                                                            const QString&) const override {
        const auto found = byIdentifier.find(bundleIdentifier);
        return found == byIdentifier.end() ? QList<platform::RunningApplication>{} : found->second;
    }
};

} // namespace marlox::testing
