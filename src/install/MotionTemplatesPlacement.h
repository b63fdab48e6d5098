#pragma once

#include "catalog/CatalogManifest.h"
#include "install/InstallErrors.h"
#include "platform/Bundle.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::install {

// Where the package's templates go below the templates root (by default the user's Motion
// Templates library): the trimmed install subpath, or the type folder, the vendor folder of the
// build the bundle is and the category. Refuses a template package and any path that would leave
// the root.
InstallResultOr<QString>
templateTargetDirectory(const catalog::PackageManifest& package,
                        const std::optional<QString>& templatesRoot,
                        const platform::Bundle& mainBundle = platform::mainBundle());
// The second component of a subpath that names our vendor folder becomes the bundle's build's one.
QString normalizeTemplateSubpath(const QString& subpath,
                                 const platform::Bundle& mainBundle = platform::mainBundle());
// The Motion Templates library folder that holds the path; nothing when none does.
std::optional<QString> templatesRootContaining(const QString& path);
// Prunes the folders above an item gone from a Motion Templates library that it alone held, up
// to the library; answers those removed, or nothing when no library holds the item.
std::optional<QStringList> pruneEmptiedLibraryFolders(const QString& item);

} // namespace marlox::install
