#pragma once

#include "platform/Workspace.h"

namespace marlox::platform {

// Opens folders and addresses through the desktop's default applications.
class DesktopWorkspace final : public Workspace {
public:
    void openFolder(const QString& path) override;
    QFuture<bool> openURL(const QUrl& url) override;
    // Asks the desktop's file manager to select the item; where none answers, opens the folder
    // that holds it.
    void revealInFileViewer(const QString& path) override;
};

} // namespace marlox::platform
