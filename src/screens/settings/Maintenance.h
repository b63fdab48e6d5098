#pragma once

namespace marlox::screens {

// Removes the support folder's Cache with everything in it, then makes the support folders
// again; failures are ignored. A Cache that is a symbolic link loses the link, never what it
// points to. Callers make sure no install, removal or bulk reinstall is running.
void clearCache();

} // namespace marlox::screens
