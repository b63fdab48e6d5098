#pragma once

#include "base/Result.h"
#include "install/FolderAccessService.h"

#include <QString>

#include <optional>

namespace marlox::catalog {
class AppSettingsStore;
}

namespace marlox::install {

inline const QString motionTemplatesFolderName = QStringLiteral("Motion Templates.localized");

// <home>/Movies/Motion Templates.localized
QString motionTemplatesFolderPath();

struct MotionTemplatesAccessError {
    // The Motion Templates folder that could not be made.
    QString path;

    QString description() const;
};

// Owns the user's Motion Templates library folder: makes it, remembers its path and publishes
// whether it can be used.
class MotionTemplatesAccessService : public FolderAccessService {
    Q_OBJECT
    Q_PROPERTY(QString resolvedTemplatesRootPath READ resolvedTemplatesRootPath NOTIFY
                   resolvedTemplatesRootPathChanged)

public:
    // Prepares the folder at once.
    MotionTemplatesAccessService(catalog::AppSettingsStore& settingsStore,
                                 platform::Workspace& workspace, QObject* parent = nullptr);

    const QString& resolvedTemplatesRootPath() const { return resolvedPath(); }

    // Resolves the folder and publishes the outcome; never fails.
    void refreshAccessState();
    // Prepares the folder and remembers it in the settings store. It publishes nothing itself:
    // the caller hands a success to publishResolution().
    Result<QString, MotionTemplatesAccessError> resolveTemplatesRoot();
    // Resolves, publishes and opens the folder in the file browser.
    std::optional<MotionTemplatesAccessError> revealTemplatesFolder();

signals:
    void resolvedTemplatesRootPathChanged();

private:
    catalog::AppSettingsStore& m_settingsStore;
};

} // namespace marlox::install
