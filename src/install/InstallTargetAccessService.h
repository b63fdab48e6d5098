#pragma once

#include "base/DescribedError.h"
#include "base/Result.h"
#include "install/FolderAccessService.h"

#include <QString>

#include <optional>
#include <utility>

namespace marlox::catalog {
class AppSettingsStore;
}

namespace marlox::install {

struct InstallTargetAccessError : base::DescribedError {
    enum class Kind {
        // The install folder could not be made; the description is the file system's own.
        folderCreationFailed,
        // What lies in the legacy folder could not all be moved; `path` is the legacy folder.
        migrationFailed,
    };

    static InstallTargetAccessError folderCreationFailed(QString path, QString description);
    static InstallTargetAccessError migrationFailed(const QString& legacyFolderPath);

    Kind kind;
    QString path;

private:
    InstallTargetAccessError(Kind kind, QString path, QString description)
        : DescribedError(std::move(description)), kind(kind), path(std::move(path)) {}
};

// Owns the shared plug-in folder "Marlox Studio Plugins" in the user's Applications folder: makes
// it, moves in what the older folder of that name directly in the home folder still holds,
// remembers its path and publishes whether it can be used.
class InstallTargetAccessService : public FolderAccessService {
    Q_OBJECT
    Q_PROPERTY(QString resolvedInstallTargetPath READ resolvedInstallTargetPath NOTIFY
                   resolvedInstallTargetPathChanged)

public:
    // Prepares the folder at once.
    InstallTargetAccessService(catalog::AppSettingsStore& settingsStore,
                               platform::Workspace& workspace, QObject* parent = nullptr);

    const QString& resolvedInstallTargetPath() const { return resolvedPath(); }

    // Resolves the folder and publishes the outcome; never fails.
    void refreshAccessState();
    // Prepares the folder and remembers it in the settings store. It publishes nothing itself:
    // the caller hands a success to publishResolution().
    Result<QString, InstallTargetAccessError> resolveInstallTarget();
    // Resolves, publishes and opens the folder in the file browser.
    std::optional<InstallTargetAccessError> revealInstallFolder();

signals:
    void resolvedInstallTargetPathChanged();

private:
    catalog::AppSettingsStore& m_settingsStore;
};

} // namespace marlox::install
