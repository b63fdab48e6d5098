#include "InstallLocations.h"

#include "platform/StandardFolders.h"

namespace marlox::catalog {

QString installFolderPath() {
    return platform::userApplicationsFolder() + QLatin1Char('/') + installFolderName;
}

QString legacyInstallFolderPath() {
    return platform::homeFolder() + QLatin1Char('/') + installFolderName;
}

} // namespace marlox::catalog
