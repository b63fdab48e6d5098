#pragma once

#include "platform/ProgramHandOver.h"
#include "platform/Workspace.h"

#include <QStringList>

namespace marlox::platform {

// Opens folders and addresses through the desktop's default applications.
class DesktopWorkspace final : public Workspace {
public:
    // xdg-open is looked for in the folders, or on the PATH when none are given.
    explicit DesktopWorkspace(QStringList searchFolders = {},
                              std::chrono::milliseconds answerBound = handOverAnswerBound);

    void openFolder(const QString& path) override;
    // Hands the address to xdg-open, whose answer is the workspace's (handOverToProgram).
    QFuture<bool> openURL(const QUrl& url) override;
    // Asks the desktop's file manager to select the item; where none answers, opens the folder
    // that holds it.
    void revealInFileViewer(const QString& path) override;

private:
    QStringList m_searchFolders;
    std::chrono::milliseconds m_answerBound;
};

} // namespace marlox::platform
