#include "DesktopWorkspace.h"

#include <QDesktopServices>
#include <QUrl>

namespace marlox::platform {

void DesktopWorkspace::openFolder(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopWorkspace::openURL(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace marlox::platform
