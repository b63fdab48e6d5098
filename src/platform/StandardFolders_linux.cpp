#include "StandardFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace marlox::platform {

QString homeFolder() {
    return QDir::homePath();
}

QString userApplicationSupportFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString userApplicationsFolder() {
    return homeFolder() + QLatin1String("/Applications");
}

QString userMoviesFolder() {
    return homeFolder() + QLatin1String("/Movies");
}

} // namespace marlox::platform
