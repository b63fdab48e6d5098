#pragma once

#include "base/DescribedError.h"

#include <QString>

#include <optional>

namespace marlox::platform {

enum class LoginItemStatus { notRegistered, enabled, requiresApproval, notFound };

struct LoginItemError : base::DescribedError {
    using DescribedError::DescribedError;
};

// Whether the system starts an application when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual LoginItemStatus status() const = 0;
    virtual std::optional<LoginItemError> registerItem() = 0;
    virtual std::optional<LoginItemError> unregisterItem() = 0;
};

// The running application's own login item. On Linux it is an XDG autostart entry
// "<bundle identifier>.desktop" in the user's autostart folder; the entry being there is the
// status.
class MainApplicationLoginItem final : public LoginItem {
public:
    MainApplicationLoginItem(QString bundleIdentifier, QString executablePath, QString displayName);

    LoginItemStatus status() const override;
    std::optional<LoginItemError> registerItem() override;
    std::optional<LoginItemError> unregisterItem() override;

    // Where the autostart entry lives; read afresh, so it follows XDG_CONFIG_HOME.
    QString entryPath() const;

private:
    QString m_bundleIdentifier;
    QString m_executablePath;
    QString m_displayName;
};

// The Exec value of a desktop entry that runs exactly this program, with no arguments.
QString desktopEntryExecValue(const QString& program);

} // namespace marlox::platform
