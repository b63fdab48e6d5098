#pragma once

#include <QString>

namespace marlox::platform {

// The desktop's file browser.
class Workspace {
public:
    virtual ~Workspace() = default;
    // Shows the folder to the user; whether the desktop managed to is not reported.
    virtual void openFolder(const QString& path) = 0;
};

} // namespace marlox::platform
