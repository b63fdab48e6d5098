#pragma once

#include "platform/Workspace.h"

namespace marlox::platform {

// Opens folders through the desktop's default file browser.
class DesktopWorkspace final : public Workspace {
public:
    void openFolder(const QString& path) override;
};

} // namespace marlox::platform
