#pragma once

#include <QString>

namespace marlox::catalog {

// The shared folder every plug-in package is installed into, one sub-folder per package.
inline const QString installFolderName = QStringLiteral("Marlox Studio Plugins");

// <home>/Applications/Marlox Studio Plugins
QString installFolderPath();
// <home>/Marlox Studio Plugins: where earlier versions installed plug-ins.
QString legacyInstallFolderPath();

} // namespace marlox::catalog
