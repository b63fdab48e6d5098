#include "SettingsContent.h"

#include "screens/updates/PackageUpdates.h"

#include <QRegularExpression>

namespace marlox::screens {
namespace {

std::optional<MessageLine> lineWithText(const std::optional<QString>& text, MessageTone tone) {
    if (!text || text->isEmpty()) {
        return std::nullopt;
    }
    return MessageLine{*text, tone};
}

// The locale's long date without its weekday and with short month names, then its short time
// without seconds (some locales' short time keeps them).
QString mediumDateShortTimeFormat(const QLocale& locale) {
    static const QRegularExpression weekday(QStringLiteral("[,\\s]*dddd[,.]?\\s*"));
    static const QRegularExpression seconds(QStringLiteral("[:.]ss"));
    QString date = locale.dateFormat(QLocale::LongFormat);
    date.replace(weekday, QStringLiteral(" "));
    date.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    QString time = locale.timeFormat(QLocale::ShortFormat);
    time.remove(seconds);
    return date.trimmed() + QStringLiteral(", ") + time;
}

} // namespace

PluginCheckState finishedPluginCheck(const QDateTime& finishedAt,
                                     const std::optional<QString>& catalogError,
                                     qsizetype availableUpdateCount) {
    PluginCheckState state;
    state.lastCheckedAt = finishedAt;
    if (catalogError && !catalogError->isEmpty()) {
        state.lastCheckMessage = settingsTexts::pluginCheckFailed + *catalogError;
    } else if (availableUpdateCount > 0) {
        // There is no singular form.
        state.lastCheckMessage =
            QString::number(availableUpdateCount) + settingsTexts::pluginUpdatesFound;
    } else {
        state.lastCheckMessage = settingsTexts::noPluginUpdates;
    }
    return state;
}

MessageLine checkMessageLine(const QString& message) {
    return {message, message.contains(QStringLiteral("failed")) ? MessageTone::orange
                                                                : MessageTone::secondary};
}

QString lastCheckedText(const QDateTime& checkedAt, const QLocale& locale) {
    return locale.toString(checkedAt, mediumDateShortTimeFormat(locale));
}

QString lastCheckedText(const QDateTime& checkedAt) {
    static const QLocale locale;
    static const QString format = mediumDateShortTimeFormat(locale);
    return locale.toString(checkedAt, format);
}

QString availableVersionText(const AppUpdateNotice& notice) {
    return shownVersionText(notice.version) + QStringLiteral(" (") +
           shownVersionText(notice.build) + QLatin1Char(')');
}

FolderCard folderCard(install::FolderAccessState state, const QString& path) {
    return {state == install::FolderAccessState::granted ? std::optional(settingsTexts::granted)
                                                         : std::nullopt,
            path};
}

SettingsContent settingsContent(const SettingsInputs& inputs) {
    SettingsContent content;
    content.appVersion = inputs.appVersion;
    content.catalogError = lineWithText(inputs.catalogError, MessageTone::red);

    content.launchAtLoginDescription = QStringLiteral("Automatically open ") +
                                       inputs.appDisplayName + QStringLiteral(" when you log in.");
    content.launchAtLoginOn = inputs.launchAtLoginEnabled;
    content.launchAtLoginToggleEnabled = inputs.launchAtLoginIsAvailable;
    content.quitAppOnClose = inputs.quitAppOnWindowClose;
    content.launchAtLoginAvailability =
        lineWithText(inputs.launchAtLoginAvailabilityMessage, MessageTone::secondary);
    content.launchAtLoginError =
        lineWithText(inputs.launchAtLoginErrorMessage, MessageTone::orange);

    if (inputs.availableUpdate) {
        content.availableVersion = availableVersionText(*inputs.availableUpdate);
    }
    content.appUpdateError = lineWithText(inputs.appUpdateError, MessageTone::orange);

    const PluginCheckState& check = inputs.pluginCheck;
    content.checkButtonTitle =
        check.isChecking ? settingsTexts::checking : settingsTexts::checkPluginUpdates;
    content.checkButtonEnabled = !check.isChecking;
    content.showsCheckProgress = check.isChecking;
    content.availableUpdates =
        QString::number(availableUpdateCount(inputs.packages, inputs.installedByID));
    if (check.lastCheckedAt) {
        content.lastChecked = lastCheckedText(*check.lastCheckedAt);
    }
    if (check.lastCheckMessage && !check.lastCheckMessage->isEmpty()) {
        content.lastCheckMessage = checkMessageLine(*check.lastCheckMessage);
    }

    content.installFolder = folderCard(inputs.installFolderState, inputs.installFolderPath);
    content.installFolderNote =
        inputs.appDisplayName +
        QStringLiteral(" automatically keeps plugins inside Applications so Motion and Final Cut "
                       "Pro can resolve them consistently.");
    content.templatesFolder = folderCard(inputs.templatesFolderState, inputs.templatesFolderPath);
    content.templatesFolderNote =
        inputs.appDisplayName + QStringLiteral(" automatically keeps Motion and Final Cut Pro "
                                               "templates in sync with installed plugins.");

    content.clearCacheEnabled = !inputs.operationInFlight && !inputs.clearingCache;
    return content;
}

} // namespace marlox::screens
