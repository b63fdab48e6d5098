#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::app {

inline const QString operationAlertTitle = QStringLiteral("Operation Failed");
inline const QString unknownErrorMessage = QStringLiteral("Unknown error");

// What covers the main window's split view, from the coordinator's published fields. One error
// raises the alert or, when hosts blocked it, the host-application overlay, never both.
struct WindowLayers {
    bool showsOperationAlert = false;
    bool showsHostApplicationOverlay = false;
    // Lies above the host-application overlay when both show.
    bool showsFolderAccessOverlay = false;

    bool operator==(const WindowLayers&) const = default;
};

WindowLayers windowLayers(const std::optional<QString>& presentedErrorMessage,
                          const QStringList& blockingHostNames, bool hasPendingPermissionPackage);

// The alert's text: the message as it stands, or "Unknown error" when there is none.
QString operationAlertMessage(const std::optional<QString>& presentedErrorMessage);

} // namespace marlox::app
