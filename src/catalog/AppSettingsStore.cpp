#include "AppSettingsStore.h"

#include "OperationsLog.h"
#include "platform/LoginItem.h"
#include "platform/StandardFolders.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace marlox::catalog {
namespace {

const QString settingsNotSavedPrefix =
    QStringLiteral("Settings not saved; they are saved again at the next change: ");

// Sets a published field and announces it, when it changes.
template <typename Value>
void publish(AppSettingsStore* store, Value& field, const Value& value,
             void (AppSettingsStore::*changed)()) {
    if (field == value) {
        return;
    }
    field = value;
    emit(store->*changed)();
}

} // namespace

LaunchAtLoginAvailability launchAtLoginAvailability(const QString& bundlePath,
                                                    const QString& homeFolder) {
    const QFileInfo bundle(bundlePath);
    QString resolved = bundle.canonicalFilePath();
    if (resolved.isEmpty()) {
        resolved = QDir::cleanPath(bundle.absoluteFilePath());
    }
    const bool inApplications = resolved.startsWith(QLatin1String("/Applications/")) ||
                                resolved.startsWith(homeFolder + QLatin1String("/Applications/"));
    if (!inApplications) {
        return {false, launchAtLoginRequiresApplicationsMessage};
    }
    if (!QFileInfo::exists(bundlePath + QLatin1String("/Contents/_CodeSignature/CodeResources"))) {
        return {false, launchAtLoginRequiresSignedBuildMessage};
    }
    return {true, std::nullopt};
}

AppSettingsStore::AppSettingsStore(platform::UserDefaults& defaults, platform::LoginItem& loginItem,
                                   QString applicationBundlePath, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_loginItem(loginItem),
      m_applicationBundlePath(std::move(applicationBundlePath)) {
    connect(&m_defaults, &platform::UserDefaults::saveFailed, this,
            [](const QString& description) { log(settingsNotSavedPrefix + description); });
    m_installTargetBookmarkData = m_defaults.data(settingsKeys::installTargetBookmarkData);
    m_lastResolvedInstallPath =
        m_defaults.string(settingsKeys::lastResolvedInstallPath).value_or(QString());
    m_motionTemplatesBookmarkData = m_defaults.data(settingsKeys::motionTemplatesBookmarkData);
    m_lastResolvedMotionTemplatesPath =
        m_defaults.string(settingsKeys::lastResolvedMotionTemplatesPath).value_or(QString());
    m_launchAtLoginEnabled = m_defaults.boolean(settingsKeys::launchAtLoginEnabled);
    readQuitAppOnWindowClose();
    readLibraryDisplayMode();
    refreshLaunchAtLoginState();
}

void AppSettingsStore::readQuitAppOnWindowClose() {
    // Any stored value counts, whatever its type; only a missing one takes the default.
    if (m_defaults.contains(settingsKeys::quitAppOnWindowClose)) {
        m_quitAppOnWindowClose = m_defaults.boolean(settingsKeys::quitAppOnWindowClose);
        return;
    }
    m_quitAppOnWindowClose = true;
    m_defaults.setValue(settingsKeys::quitAppOnWindowClose, true);
}

void AppSettingsStore::readLibraryDisplayMode() {
    const auto stored = m_defaults.string(settingsKeys::libraryDisplayMode);
    const auto mode = stored ? libraryDisplayModeFromRawValue(*stored) : std::nullopt;
    if (mode) {
        m_libraryDisplayMode = *mode;
        return;
    }
    m_libraryDisplayMode = LibraryDisplayMode::small;
    m_defaults.setValue(settingsKeys::libraryDisplayMode, rawValue(LibraryDisplayMode::small));
}

void AppSettingsStore::setLibraryDisplayMode(LibraryDisplayMode mode) {
    publish(this, m_libraryDisplayMode, mode, &AppSettingsStore::libraryDisplayModeChanged);
    m_defaults.setValue(settingsKeys::libraryDisplayMode, rawValue(mode));
}

void AppSettingsStore::setQuitAppOnWindowClose(bool quit) {
    publish(this, m_quitAppOnWindowClose, quit, &AppSettingsStore::quitAppOnWindowCloseChanged);
    m_defaults.setValue(settingsKeys::quitAppOnWindowClose, quit);
}

void AppSettingsStore::setLastResolvedInstallPath(const QString& path) {
    publish(this, m_lastResolvedInstallPath, path,
            &AppSettingsStore::lastResolvedInstallPathChanged);
    m_defaults.setValue(settingsKeys::lastResolvedInstallPath, path);
}

void AppSettingsStore::setLastResolvedMotionTemplatesPath(const QString& path) {
    publish(this, m_lastResolvedMotionTemplatesPath, path,
            &AppSettingsStore::lastResolvedMotionTemplatesPathChanged);
    m_defaults.setValue(settingsKeys::lastResolvedMotionTemplatesPath, path);
}

void AppSettingsStore::clearInstallTargetBookmarkData() {
    publish(this, m_installTargetBookmarkData, std::optional<QByteArray>(),
            &AppSettingsStore::installTargetBookmarkDataChanged);
    m_defaults.remove(settingsKeys::installTargetBookmarkData);
}

void AppSettingsStore::clearMotionTemplatesBookmarkData() {
    publish(this, m_motionTemplatesBookmarkData, std::optional<QByteArray>(),
            &AppSettingsStore::motionTemplatesBookmarkDataChanged);
    m_defaults.remove(settingsKeys::motionTemplatesBookmarkData);
}

void AppSettingsStore::updateLaunchAtLoginAvailability() {
    const LaunchAtLoginAvailability availability =
        launchAtLoginAvailability(m_applicationBundlePath, platform::homeFolder());
    publish(this, m_launchAtLoginIsAvailable, availability.isAvailable,
            &AppSettingsStore::launchAtLoginIsAvailableChanged);
    publish(this, m_launchAtLoginAvailabilityMessage, availability.message,
            &AppSettingsStore::launchAtLoginAvailabilityMessageChanged);
}

void AppSettingsStore::refreshLaunchAtLoginState() {
    updateLaunchAtLoginAvailability();
    if (!m_launchAtLoginIsAvailable) {
        publishLaunchAtLoginEnabled(false);
        return;
    }
    publishLaunchAtLoginEnabled(m_loginItem.status() == platform::LoginItemStatus::enabled);
    setLaunchAtLoginErrorMessage(std::nullopt);
}

void AppSettingsStore::setLaunchAtLoginEnabled(bool enabled) {
    updateLaunchAtLoginAvailability();
    if (!m_launchAtLoginIsAvailable) {
        publishLaunchAtLoginEnabled(false);
        setLaunchAtLoginErrorMessage(m_launchAtLoginAvailabilityMessage);
        return;
    }
    const auto failure = enabled ? m_loginItem.registerItem() : m_loginItem.unregisterItem();
    // The switch shows what the system answers, not what was asked.
    publishLaunchAtLoginEnabled(m_loginItem.status() == platform::LoginItemStatus::enabled);
    setLaunchAtLoginErrorMessage(failure ? std::optional(launchAtLoginChangeFailedMessage)
                                         : std::nullopt);
}

void AppSettingsStore::publishLaunchAtLoginEnabled(bool enabled) {
    publish(this, m_launchAtLoginEnabled, enabled, &AppSettingsStore::launchAtLoginEnabledChanged);
    m_defaults.setValue(settingsKeys::launchAtLoginEnabled, enabled);
}

void AppSettingsStore::setLaunchAtLoginErrorMessage(const std::optional<QString>& message) {
    publish(this, m_launchAtLoginErrorMessage, message,
            &AppSettingsStore::launchAtLoginErrorMessageChanged);
}

} // namespace marlox::catalog
