#pragma once

#include <QString>

namespace marlox::platform {

// Paths of the system tools the application runs as child processes. On Linux the bundle carries
// compatible tools of its own next to the executable.
QString dittoToolPath();

} // namespace marlox::platform
