#pragma once

#include <QString>

#include <optional>

namespace marlox::platform {

// The attribute the system sets on files that came from elsewhere, as macOS names it.
inline const QString quarantineAttributeName = QStringLiteral("com.apple.quarantine");

// Removes the quarantine attribute from the item at the path, following a symbolic link to its
// target. An item without the attribute, or on a file system without extended attributes, counts
// as cleared. Otherwise the answer is the system's text for the error.
std::optional<QString> removeQuarantineAttribute(const QString& path);

// The attribute's name on this system (Linux keeps user attributes under "user.").
QString quarantineAttributeSystemName();

} // namespace marlox::platform
