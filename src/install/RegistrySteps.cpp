#include "RegistrySteps.h"

#include "catalog/JsonFields.h"
#include "catalog/OperationsLog.h"

#include <algorithm>

namespace marlox::install {
namespace {

const QString stepKey = QStringLiteral("step");

QString kindName(RegistryStep::Kind kind) {
    switch (kind) {
    case RegistryStep::Kind::unregister:
        return QStringLiteral("unregister");
    case RegistryStep::Kind::restore:
        return QStringLiteral("restore");
    case RegistryStep::Kind::registerAgain:
        return QStringLiteral("register");
    }
    return {};
}

std::optional<RegistryStep::Kind> kindNamed(const QString& name) {
    for (const auto kind : {RegistryStep::Kind::unregister, RegistryStep::Kind::restore,
                            RegistryStep::Kind::registerAgain}) {
        if (kindName(kind) == name) {
            return kind;
        }
    }
    return std::nullopt;
}

std::optional<PluginRegistration> registrationAt(const QList<PluginRegistration>& listed,
                                                 const QString& path) {
    const auto found =
        std::find_if(listed.cbegin(), listed.cend(), [&](const PluginRegistration& registration) {
            return registration.path == path;
        });
    return found == listed.cend() ? std::nullopt : std::optional(*found);
}

bool stillHolds(const RegistryStep& step, const std::optional<PluginRegistration>& listed) {
    switch (step.kind) {
    case RegistryStep::Kind::unregister:
        return listed && !FxPlugRegistrar::namesBundleOnDisk(*listed);
    case RegistryStep::Kind::restore:
        return FxPlugRegistrar::namesBundleOnDisk(step.registration);
    case RegistryStep::Kind::registerAgain:
        return FxPlugRegistrar::registrationOfBundle(step.registration.path, {}).has_value();
    }
    return false;
}

InstallFailure runStep(const FxPlugRegistrar& registrar, const RegistryStep& step,
                       const std::optional<PluginRegistration>& listed) {
    switch (step.kind) {
    case RegistryStep::Kind::unregister: {
        // The registry may refuse to remove what it does not list, which is done all the same.
        const InstallFailure failure = registrar.unregisterPlugin(step.registration.path);
        return listed ? failure : std::nullopt;
    }
    case RegistryStep::Kind::restore:
        return registrar.restoreRegistration(step.registration, listed);
    case RegistryStep::Kind::registerAgain: {
        const auto onDisk = FxPlugRegistrar::registrationOfBundle(
            step.registration.path, listed ? listed->election : QStringLiteral("use"));
        return onDisk ? registrar.restoreRegistration(*onDisk, listed) : std::nullopt;
    }
    }
    return std::nullopt;
}

} // namespace

QList<RegistryStep> runRegistrySteps(const FxPlugRegistrar& registrar,
                                     const QList<RegistryStep>& steps, RegistryStepsFrom from) {
    if (steps.isEmpty()) {
        return {};
    }
    const QString leftLine =
        QStringLiteral("Install journal registry step left for the next start: ");
    const auto listed = registrar.registrations();
    if (!listed) {
        for (const RegistryStep& step : steps) {
            catalog::log(leftLine + kindName(step.kind) + QLatin1Char(' ') +
                         step.registration.path +
                         QStringLiteral(": the registry cannot be listed"));
        }
        return steps;
    }
    QList<RegistryStep> left;
    for (const RegistryStep& step : steps) {
        const auto now = registrationAt(*listed, step.registration.path);
        if (from == RegistryStepsFrom::earlierSettling && !stillHolds(step, now)) {
            continue;
        }
        if (const InstallFailure failure = runStep(registrar, step, now)) {
            catalog::log(leftLine + kindName(step.kind) + QLatin1Char(' ') +
                         step.registration.path + QStringLiteral(": ") + description(*failure));
            left.append(step);
        } else if (from == RegistryStepsFrom::earlierSettling) {
            catalog::log(QStringLiteral("Install journal registry step done: ") +
                         kindName(step.kind) + QLatin1Char(' ') + step.registration.path);
        }
    }
    return left;
}

QJsonObject encodeRegistration(const PluginRegistration& registration) {
    return {{QStringLiteral("path"), registration.path},
            {QStringLiteral("identifier"), registration.identifier},
            {QStringLiteral("version"), registration.version},
            {QStringLiteral("election"), registration.election}};
}

std::optional<PluginRegistration> decodeRegistration(const QJsonValue& value) {
    const QJsonObject object = value.toObject();
    catalog::JsonFields fields(object, QLatin1String("Install journal registration"));
    PluginRegistration registration{fields.requiredString(QLatin1String("path")),
                                    fields.requiredString(QLatin1String("identifier")),
                                    fields.requiredString(QLatin1String("version")),
                                    fields.requiredString(QLatin1String("election"))};
    if (!value.isObject() || fields.failed()) {
        return std::nullopt;
    }
    return registration;
}

QJsonArray encodeRegistrySteps(const QList<RegistryStep>& steps) {
    QJsonArray encoded;
    for (const RegistryStep& step : steps) {
        QJsonObject object = encodeRegistration(step.registration);
        object.insert(stepKey, kindName(step.kind));
        encoded.append(object);
    }
    return encoded;
}

std::optional<QList<RegistryStep>> decodeRegistrySteps(const QJsonValue& value) {
    if (!value.isArray()) {
        return std::nullopt;
    }
    QList<RegistryStep> steps;
    for (const QJsonValue& entry : value.toArray()) {
        const auto kind = kindNamed(entry.toObject().value(stepKey).toString());
        const auto registration = decodeRegistration(entry);
        if (!kind || !registration) {
            return std::nullopt;
        }
        steps.append({*kind, *registration});
    }
    return steps;
}

} // namespace marlox::install
