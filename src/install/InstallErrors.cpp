#include "InstallErrors.h"

namespace marlox::install {

QString HostApplicationGuardError::description() const {
    return QStringLiteral("Close host apps before continuing. Running: ") +
           runningHosts.join(QLatin1String(", "));
}

QString RegistrationError::description() const {
    const QString head = QStringLiteral("Launch Services registration helper failed for ") + path +
                         QStringLiteral(" with exit code ") + QString::number(exitCode);
    const QString trimmed = output.trimmed();
    return trimmed.isEmpty() ? head + QLatin1Char('.') : head + QLatin1String(": ") + trimmed;
}

QString InstallEngineError::description() const {
    switch (kind) {
    case Kind::payloadPathMissing:
        return QStringLiteral("Embedded payload path is missing for ") + subject + QLatin1Char('.');
    case Kind::payloadNotFound:
        return QStringLiteral("Embedded payload was not found at ") + subject +
               QStringLiteral(". Reinstall the app and try again.");
    case Kind::unsupportedPayload:
        return QStringLiteral("Embedded payload is not supported: ") + subject +
               QStringLiteral(". Expected a directory or .zip archive.");
    case Kind::unsupportedTemplatePackageType:
        return QStringLiteral("Motion template install target is not defined for package type ") +
               subject + QLatin1Char('.');
    case Kind::quarantineRemovalFailed:
        return QStringLiteral("Failed to clear quarantine attributes for ") + subject +
               QLatin1String(": ") + reason;
    case Kind::unsafePackageID:
        return QStringLiteral("Package id cannot be used as a folder name: ") + subject +
               QLatin1Char('.');
    case Kind::unsafePayloadPath:
        return QStringLiteral("Embedded payload path leaves its folder: ") + subject +
               QLatin1Char('.');
    case Kind::unsafeTemplateSubpath:
        return QStringLiteral(
                   "Motion template install subpath leaves the Motion Templates folder: ") +
               subject + QLatin1Char('.');
    case Kind::linkedTemplateFolder:
        return QStringLiteral("Motion templates are not placed through a link inside the Motion "
                              "Templates folder: ") +
               subject + QLatin1Char('.');
    }
    return {};
}

SystemError launchFailure(const QString& executablePath, const QString& reason) {
    return SystemError{QStringLiteral("Could not start %1: %2").arg(executablePath, reason)};
}

QString description(const InstallError& error) {
    QString text =
        std::visit([](const auto& value) -> QString { return value.description(); }, error);
    // A tool ends its complaint with a line break, which would leave an empty line in the log and
    // in the alert.
    while (!text.isEmpty() && text.back().isSpace()) {
        text.chop(1);
    }
    return text;
}

} // namespace marlox::install
