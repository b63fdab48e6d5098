#include "platform/ApplicationIcons.h"

namespace marlox::platform {

QIcon DesktopApplicationIcons::applicationIcon(const QString& bundleIdentifier) const {
    if (bundleIdentifier.isEmpty()) {
        return {};
    }
    return QIcon::fromTheme(bundleIdentifier);
}

} // namespace marlox::platform
