#pragma once

#include "base/Result.h"
#include "install/FolderAccessState.h"

#include <QObject>
#include <QString>

#include <optional>

namespace marlox::platform {
class Workspace;
}

namespace marlox::install {

// What the two folder access services share: the published path and state of one target folder,
// and what refreshing and revealing do with a resolution. Each service resolves its own folder.
class FolderAccessService : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        marlox::install::FolderAccessState accessState READ accessState NOTIFY accessStateChanged)

public:
    FolderAccessState accessState() const { return m_accessState; }

    // Publishes a resolved folder's path with access granted; the coordinator calls it after
    // resolutions of its own.
    void publishResolution(const QString& path);

signals:
    void accessStateChanged();
    // Each service announces it under its own property's name too.
    void resolvedPathChanged();

protected:
    FolderAccessService(QString initialPath, platform::Workspace& workspace, QObject* parent);

    const QString& resolvedPath() const { return m_resolvedPath; }

    // A failure only takes access away; the last published path stays.
    template <typename Error> void publishRefresh(const Result<QString, Error>& resolved) {
        if (!resolved) {
            setAccessState(FolderAccessState::needsAccess);
            return;
        }
        publishResolution(*resolved);
    }

    // A failure publishes and opens nothing.
    template <typename Error>
    std::optional<Error> publishAndReveal(const Result<QString, Error>& resolved) {
        if (!resolved) {
            return resolved.error();
        }
        publishResolution(*resolved);
        openFolder(*resolved);
        return std::nullopt;
    }

private:
    void setAccessState(FolderAccessState state);
    void openFolder(const QString& path);

    platform::Workspace& m_workspace;
    QString m_resolvedPath;
    FolderAccessState m_accessState = FolderAccessState::needsAccess;
};

} // namespace marlox::install
