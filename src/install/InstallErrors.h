#pragma once

#include "base/DescribedError.h"
#include "base/Result.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <variant>

namespace marlox::install {

// A host application that loads plug-ins is running.
struct HostApplicationGuardError {
    QStringList runningHosts;
    QString description() const;
};

// lsregister or pluginkit ended with a non-zero status.
struct RegistrationError {
    QString path;
    int exitCode = 0;
    QString output;
    QString description() const;
};

struct InstallEngineError {
    enum class Kind {
        payloadPathMissing,
        payloadNotFound,
        unsupportedPayload,
        unsupportedTemplatePackageType,
        quarantineRemovalFailed,
        unsafePackageID,
        unsafePayloadPath,
        unsafeTemplateSubpath,
        linkedTemplateFolder,
    };
    Kind kind;
    // The name, path, type or id the message names.
    QString subject;
    // Only for a quarantine failure: the system's text.
    QString reason;

    QString description() const;
};

// A tool that exited with a non-zero status, reported in the domain of whoever ran it.
struct ToolError : base::DescribedError {
    ToolError(QString domain, int code, QString description)
        : DescribedError(std::move(description)), domain(std::move(domain)), code(code) {}

    QString domain;
    int code = 0;
};

// What the system said when a file operation failed or a program could not be started.
struct SystemError : base::DescribedError {
    using DescribedError::DescribedError;
};

// A program that could not be started at all.
SystemError launchFailure(const QString& executablePath, const QString& reason);

using InstallError = std::variant<HostApplicationGuardError, InstallEngineError, RegistrationError,
                                  ToolError, SystemError>;

// The sentence shown to the user for any of them.
QString description(const InstallError& error);

// Nothing on success, else why it failed.
using InstallFailure = std::optional<InstallError>;

template <typename Value> using InstallResultOr = Result<Value, InstallError>;

} // namespace marlox::install
