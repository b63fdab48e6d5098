#include "WindowLayers.h"

namespace marlox::app {

WindowLayers windowLayers(const std::optional<QString>& presentedErrorMessage,
                          const QStringList& blockingHostNames, bool hasPendingPermissionPackage) {
    const bool hasError = presentedErrorMessage.has_value();
    return {
        .showsOperationAlert = hasError && blockingHostNames.isEmpty(),
        .showsHostApplicationOverlay = hasError && !blockingHostNames.isEmpty(),
        .showsFolderAccessOverlay = hasPendingPermissionPackage,
    };
}

QString operationAlertMessage(const std::optional<QString>& presentedErrorMessage) {
    return presentedErrorMessage.value_or(unknownErrorMessage);
}

} // namespace marlox::app
