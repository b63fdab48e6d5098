#pragma once

#include <QIcon>
#include <QString>

namespace marlox::platform {

// The icons the desktop shows for installed applications.
class ApplicationIcons {
public:
    virtual ~ApplicationIcons() = default;
    // The icon of the application known by that bundle identifier; a null icon when the desktop
    // has none.
    virtual QIcon applicationIcon(const QString& bundleIdentifier) const = 0;
};

// On Linux the icon theme's icon named after the identifier, as desktop entries name theirs in
// reverse-domain form.
class DesktopApplicationIcons final : public ApplicationIcons {
public:
    QIcon applicationIcon(const QString& bundleIdentifier) const override;
};

} // namespace marlox::platform
