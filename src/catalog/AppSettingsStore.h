#pragma once

#include "catalog/LibraryDisplayMode.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

namespace marlox::platform {
class LoginItem;
class UserDefaults;
} // namespace marlox::platform

namespace marlox::catalog {

namespace settingsKeys {
inline const QString installTargetBookmarkData =
    QStringLiteral("settings.installTargetBookmarkData");
inline const QString lastResolvedInstallPath = QStringLiteral("settings.lastResolvedInstallPath");
inline const QString motionTemplatesBookmarkData =
    QStringLiteral("settings.motionTemplatesBookmarkData");
inline const QString lastResolvedMotionTemplatesPath =
    QStringLiteral("settings.lastResolvedMotionTemplatesPath");
inline const QString launchAtLoginEnabled = QStringLiteral("settings.launchAtLoginEnabled");
inline const QString quitAppOnWindowClose = QStringLiteral("settings.quitAppOnWindowClose");
inline const QString libraryDisplayMode = QStringLiteral("settings.libraryDisplayMode");
} // namespace settingsKeys

inline const QString launchAtLoginRequiresApplicationsMessage =
    QStringLiteral("Launch at Login requires the app to run from Applications.");
inline const QString launchAtLoginRequiresSignedBuildMessage =
    QStringLiteral("Launch at Login requires a signed app build.");
inline const QString launchAtLoginChangeFailedMessage = QStringLiteral(
    "Launch at Login could not be changed. This usually requires a signed app installed in "
    "Applications.");

struct LaunchAtLoginAvailability {
    bool isAvailable = false;
    // Why not, when not.
    std::optional<QString> message;
};

// A copy of the application can be a login item only when it runs from /Applications or the
// user's own Applications folder (links resolved) and carries a code signature.
LaunchAtLoginAvailability launchAtLoginAvailability(const QString& bundlePath,
                                                    const QString& homeFolder);

// The user's settings under the "settings." keys, and the application's login item.
class AppSettingsStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<QByteArray> installTargetBookmarkData READ installTargetBookmarkData
                   NOTIFY installTargetBookmarkDataChanged)
    Q_PROPERTY(QString lastResolvedInstallPath READ lastResolvedInstallPath WRITE
                   setLastResolvedInstallPath NOTIFY lastResolvedInstallPathChanged)
    Q_PROPERTY(std::optional<QByteArray> motionTemplatesBookmarkData READ
                   motionTemplatesBookmarkData NOTIFY motionTemplatesBookmarkDataChanged)
    Q_PROPERTY(QString lastResolvedMotionTemplatesPath READ lastResolvedMotionTemplatesPath WRITE
                   setLastResolvedMotionTemplatesPath NOTIFY lastResolvedMotionTemplatesPathChanged)
    Q_PROPERTY(bool launchAtLoginEnabled READ launchAtLoginEnabled WRITE setLaunchAtLoginEnabled
                   NOTIFY launchAtLoginEnabledChanged)
    Q_PROPERTY(std::optional<QString> launchAtLoginErrorMessage READ launchAtLoginErrorMessage
                   NOTIFY launchAtLoginErrorMessageChanged)
    Q_PROPERTY(bool launchAtLoginIsAvailable READ launchAtLoginIsAvailable NOTIFY
                   launchAtLoginIsAvailableChanged)
    Q_PROPERTY(std::optional<QString> launchAtLoginAvailabilityMessage READ
                   launchAtLoginAvailabilityMessage NOTIFY launchAtLoginAvailabilityMessageChanged)
    Q_PROPERTY(bool quitAppOnWindowClose READ quitAppOnWindowClose WRITE setQuitAppOnWindowClose
                   NOTIFY quitAppOnWindowCloseChanged)
    Q_PROPERTY(marlox::catalog::LibraryDisplayMode libraryDisplayMode READ libraryDisplayMode WRITE
                   setLibraryDisplayMode NOTIFY libraryDisplayModeChanged)

public:
    // `applicationBundlePath` is the running copy of the application, whose place and signature
    // decide whether it can be a login item.
    AppSettingsStore(platform::UserDefaults& defaults, platform::LoginItem& loginItem,
                     QString applicationBundlePath, QObject* parent = nullptr);

    platform::UserDefaults& defaults() const { return m_defaults; }

    const std::optional<QByteArray>& installTargetBookmarkData() const {
        return m_installTargetBookmarkData;
    }
    const QString& lastResolvedInstallPath() const { return m_lastResolvedInstallPath; }
    const std::optional<QByteArray>& motionTemplatesBookmarkData() const {
        return m_motionTemplatesBookmarkData;
    }
    const QString& lastResolvedMotionTemplatesPath() const {
        return m_lastResolvedMotionTemplatesPath;
    }
    bool launchAtLoginEnabled() const { return m_launchAtLoginEnabled; }
    const std::optional<QString>& launchAtLoginErrorMessage() const {
        return m_launchAtLoginErrorMessage;
    }
    bool launchAtLoginIsAvailable() const { return m_launchAtLoginIsAvailable; }
    const std::optional<QString>& launchAtLoginAvailabilityMessage() const {
        return m_launchAtLoginAvailabilityMessage;
    }
    bool quitAppOnWindowClose() const { return m_quitAppOnWindowClose; }
    LibraryDisplayMode libraryDisplayMode() const { return m_libraryDisplayMode; }

    // Each sets the published field and stores it under its key.
    void setLibraryDisplayMode(LibraryDisplayMode mode);
    void setQuitAppOnWindowClose(bool quit);
    void setLastResolvedInstallPath(const QString& path);
    void setLastResolvedMotionTemplatesPath(const QString& path);
    // Bookmarks of earlier versions are only ever dropped.
    void clearInstallTargetBookmarkData();
    void clearMotionTemplatesBookmarkData();

    // Registers or unregisters the login item; the switch then shows what the system reports.
    void setLaunchAtLoginEnabled(bool enabled);
    void refreshLaunchAtLoginState();
    void updateLaunchAtLoginAvailability();

signals:
    void installTargetBookmarkDataChanged();
    void lastResolvedInstallPathChanged();
    void motionTemplatesBookmarkDataChanged();
    void lastResolvedMotionTemplatesPathChanged();
    void launchAtLoginEnabledChanged();
    void launchAtLoginErrorMessageChanged();
    void launchAtLoginIsAvailableChanged();
    void launchAtLoginAvailabilityMessageChanged();
    void quitAppOnWindowCloseChanged();
    void libraryDisplayModeChanged();

private:
    void readQuitAppOnWindowClose();
    void readLibraryDisplayMode();
    void publishLaunchAtLoginEnabled(bool enabled);
    void setLaunchAtLoginErrorMessage(const std::optional<QString>& message);

    platform::UserDefaults& m_defaults;
    platform::LoginItem& m_loginItem;
    QString m_applicationBundlePath;

    std::optional<QByteArray> m_installTargetBookmarkData;
    QString m_lastResolvedInstallPath;
    std::optional<QByteArray> m_motionTemplatesBookmarkData;
    QString m_lastResolvedMotionTemplatesPath;
    bool m_launchAtLoginEnabled = false;
    std::optional<QString> m_launchAtLoginErrorMessage;
    bool m_launchAtLoginIsAvailable = false;
    std::optional<QString> m_launchAtLoginAvailabilityMessage;
    bool m_quitAppOnWindowClose = true;
    LibraryDisplayMode m_libraryDisplayMode = LibraryDisplayMode::small;
};

} // namespace marlox::catalog
