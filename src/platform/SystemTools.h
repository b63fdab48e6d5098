#pragma once

#include <QString>

namespace marlox::platform {

// Paths of the system tools the application runs as child processes. On macOS they are the
// system's own; on Linux the bundle carries compatible tools of its own next to the executable.
QString dittoToolPath();
QString pluginkitToolPath();
QString lsregisterToolPath();

} // namespace marlox::platform
