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

QString userPicturesFolder() {
    // The desktop's own (XDG_PICTURES_DIR), else ~/Pictures.
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
}

} // namespace marlox::platform
