#include "MotionTemplatesAccessService.h"

#include "base/FileSystem.h"
#include "catalog/AppSettingsStore.h"
#include "platform/StandardFolders.h"

namespace marlox::install {

QString motionTemplatesFolderPath() {
    return platform::userMoviesFolder() + QLatin1Char('/') + motionTemplatesFolderName;
}

QString MotionTemplatesAccessError::description() const {
    return QStringLiteral("Could not prepare the Motion Templates folder at %1.").arg(path);
}

MotionTemplatesAccessService::MotionTemplatesAccessService(catalog::AppSettingsStore& settingsStore,
                                                           platform::Workspace& workspace,
                                                           QObject* parent)
    : FolderAccessService(motionTemplatesFolderPath(), workspace, parent),
      m_settingsStore(settingsStore) {
    connect(this, &FolderAccessService::resolvedPathChanged, this,
            &MotionTemplatesAccessService::resolvedTemplatesRootPathChanged);
    refreshAccessState();
}

Result<QString, MotionTemplatesAccessError> MotionTemplatesAccessService::resolveTemplatesRoot() {
    const QString folder = motionTemplatesFolderPath();
    if (base::createFolder(folder)) {
        return MotionTemplatesAccessError{folder};
    }
    m_settingsStore.clearMotionTemplatesBookmarkData();
    if (m_settingsStore.lastResolvedMotionTemplatesPath() != folder) {
        m_settingsStore.setLastResolvedMotionTemplatesPath(folder);
    }
    return folder;
}

void MotionTemplatesAccessService::refreshAccessState() {
    publishRefresh(resolveTemplatesRoot());
}

std::optional<MotionTemplatesAccessError> MotionTemplatesAccessService::revealTemplatesFolder() {
    return publishAndReveal(resolveTemplatesRoot());
}

} // namespace marlox::install
