#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace marlox::platform {

// Whose things are whose, for what must stay private to the user running the application.

// The current user's id, as text.
QString currentUserID();

// The folder at the path when it is a folder itself, not a link, owned by the current user and
// closed to everyone else (mode 0700). A missing one is made so when `makeWhenMissing`.
std::optional<QString> privateFolder(const QString& path, bool makeWhenMissing);

// Whether the item at the path, a link not followed, belongs to the current user.
bool belongsToCurrentUser(const QString& path);

// Whether the process at the other end of a connected local socket runs as the current user.
bool peerIsCurrentUser(qintptr socketDescriptor);

} // namespace marlox::platform
