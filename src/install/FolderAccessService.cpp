#include "FolderAccessService.h"

#include "platform/Workspace.h"

#include <utility>

namespace marlox::install {

FolderAccessService::FolderAccessService(QString initialPath, platform::Workspace& workspace,
                                         QObject* parent)
    : QObject(parent), m_workspace(workspace), m_resolvedPath(std::move(initialPath)) {}

void FolderAccessService::publishResolution(const QString& path) {
    if (m_resolvedPath != path) {
        m_resolvedPath = path;
        emit resolvedPathChanged();
    }
    setAccessState(FolderAccessState::granted);
}

void FolderAccessService::setAccessState(FolderAccessState state) {
    if (m_accessState == state) {
        return;
    }
    m_accessState = state;
    emit accessStateChanged();
}

void FolderAccessService::openFolder(const QString& path) {
    m_workspace.openFolder(path);
}

} // namespace marlox::install
