#pragma once

#include "FxPlugRegistrar.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>

#include <optional>

namespace marlox::install {

// One change to the plug-in registry that settling an operation makes, so that the registry says
// what the disk does.
struct RegistryStep {
    enum class Kind {
        // Removes the registration at the path.
        unregister,
        // Registers the bundle at the path again, elected as the registration says.
        restore,
        // Registers the bundle at the path as it is on disk, keeping the election the registry
        // lists there, else electing it for use as an install does.
        registerAgain,
    };

    Kind kind = Kind::unregister;
    // Of an unregistration or a registration again, only the path counts.
    PluginRegistration registration;

    bool operator==(const RegistryStep&) const = default;
};

// Whether the steps were worked out now from the disk, or are left from an earlier settling whose
// run of the registry tool failed.
enum class RegistryStepsFrom { thisSettling, earlierSettling };

// Runs the steps against what the registry lists now, and answers those that did not succeed,
// each logged: a registry that cannot be listed leaves them all. A step left from an earlier
// settling is done only while it still holds: an unregistration while the registry names at its
// path what the disk there does not hold, a registration while the bundle it names is on disk.
QList<RegistryStep> runRegistrySteps(const FxPlugRegistrar& registrar,
                                     const QList<RegistryStep>& steps, RegistryStepsFrom from);

QJsonObject encodeRegistration(const PluginRegistration& registration);
// Nothing when it is not an object of the four texts.
std::optional<PluginRegistration> decodeRegistration(const QJsonValue& value);
QJsonArray encodeRegistrySteps(const QList<RegistryStep>& steps);
// Nothing when it is not an array of steps.
std::optional<QList<RegistryStep>> decodeRegistrySteps(const QJsonValue& value);

} // namespace marlox::install
