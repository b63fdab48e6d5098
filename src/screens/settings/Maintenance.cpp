#include "Maintenance.h"

#include "catalog/Environment.h"
#include "install/FileOperations.h"

namespace marlox::screens {

void clearCache() {
    install::removeQuietly(catalog::cacheDirectory());
    catalog::ensureApplicationDirectories();
}

} // namespace marlox::screens
