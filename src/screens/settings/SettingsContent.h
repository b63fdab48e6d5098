#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"
#include "install/FolderAccessState.h"
#include "screens/appupdate/AppcastReader.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

namespace marlox::screens {

namespace settingsTexts {
inline const QString checkPluginUpdates = QStringLiteral("Check Plugin Updates");
inline const QString checking = QStringLiteral("Checking...");
inline const QString noPluginUpdates = QStringLiteral("No plugin updates found.");
inline const QString pluginUpdatesFound = QStringLiteral(" plugin update(s) found.");
inline const QString pluginCheckFailed = QStringLiteral("Plugin update check failed: ");
inline const QString granted = QStringLiteral("Granted");
} // namespace settingsTexts

// How a message line of a card is coloured.
enum class MessageTone { secondary, orange, red };

struct MessageLine {
    QString text;
    MessageTone tone = MessageTone::secondary;

    bool operator==(const MessageLine&) const = default;
};

// What the last plug-in update check of this visit left; nothing survives the screen.
struct PluginCheckState {
    bool isChecking = false;
    std::optional<QDateTime> lastCheckedAt;
    std::optional<QString> lastCheckMessage;

    bool operator==(const PluginCheckState&) const = default;
};

// The outcome of a check whose catalog reload has ended at `finishedAt`: the catalog's error, or
// how many plug-ins it now offers newer versions of.
PluginCheckState finishedPluginCheck(const QDateTime& finishedAt,
                                     const std::optional<QString>& catalogError,
                                     qsizetype availableUpdateCount);

// Orange exactly when the message says something "failed".
MessageLine checkMessageLine(const QString& message);

// The medium date and short time of the locale, e.g. "Dec 6, 2026, 10:37 PM".
QString lastCheckedText(const QDateTime& checkedAt, const QLocale& locale);
// The same in the user's locale, whose format is worked out once.
QString lastCheckedText(const QDateTime& checkedAt);

// "1.4.0 (140)", each part shortened as shownVersionText does.
QString availableVersionText(const AppUpdateNotice& notice);

// What a folder card shows.
struct FolderCard {
    // "Granted" beside the title once the folder is ready; nothing otherwise.
    std::optional<QString> statusText;
    QString path;

    bool operator==(const FolderCard&) const = default;
};

FolderCard folderCard(install::FolderAccessState state, const QString& path);

// What the services publish and the screen's own state, gathered for one redraw.
struct SettingsInputs {
    QString appVersion;
    QString appDisplayName;
    std::optional<QString> catalogError;
    QList<catalog::PackageManifest> packages;
    catalog::InstalledPackageMap installedByID;
    bool launchAtLoginEnabled = false;
    bool launchAtLoginIsAvailable = false;
    std::optional<QString> launchAtLoginAvailabilityMessage;
    std::optional<QString> launchAtLoginErrorMessage;
    bool quitAppOnWindowClose = true;
    std::optional<AppUpdateNotice> availableUpdate;
    std::optional<QString> appUpdateError;
    PluginCheckState pluginCheck;
    install::FolderAccessState installFolderState = install::FolderAccessState::needsAccess;
    QString installFolderPath;
    install::FolderAccessState templatesFolderState = install::FolderAccessState::needsAccess;
    QString templatesFolderPath;
    // An install, removal or bulk reinstall is under way.
    bool operationInFlight = false;
    // The cache is being cleared.
    bool clearingCache = false;
};

// Everything the Settings screen shows. An optional line is absent when it has no text.
struct SettingsContent {
    QString appVersion;
    std::optional<MessageLine> catalogError;

    QString launchAtLoginDescription;
    bool launchAtLoginOn = false;
    bool launchAtLoginToggleEnabled = false;
    bool quitAppOnClose = true;
    std::optional<MessageLine> launchAtLoginAvailability;
    std::optional<MessageLine> launchAtLoginError;

    std::optional<QString> availableVersion;
    std::optional<MessageLine> appUpdateError;

    QString checkButtonTitle;
    bool checkButtonEnabled = true;
    bool showsCheckProgress = false;
    QString availableUpdates;
    std::optional<QString> lastChecked;
    std::optional<MessageLine> lastCheckMessage;

    FolderCard installFolder;
    QString installFolderNote;
    FolderCard templatesFolder;
    QString templatesFolderNote;

    // Deleting the cache under a running install would pull its archives away; a clearing that
    // runs already is not started again.
    bool clearCacheEnabled = true;

    bool operator==(const SettingsContent&) const = default;
};

SettingsContent settingsContent(const SettingsInputs& inputs);

} // namespace marlox::screens
