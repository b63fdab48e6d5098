#pragma once

#include "InstallErrors.h"
#include "catalog/CatalogManifest.h"
#include "platform/Bundle.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::install {

// The folder a Mac's archiver adds for resource forks; never installed.
inline const QString macResourceForkFolder = QStringLiteral("__MACOSX");
inline const QString templatesLibraryName = QStringLiteral("Motion Templates.localized");
// The type folders of the library where generator and filter packages without a subpath go.
inline const QString generatorsTypeFolderName = QStringLiteral("Generators.localized");
inline const QString effectsTypeFolderName = QStringLiteral("Effects.localized");
// Every type folder the library has of its own.
inline const QStringList libraryTypeFolderNames = {
    QStringLiteral("Compositions.localized"), effectsTypeFolderName, generatorsTypeFolderName,
    QStringLiteral("Titles.localized"), QStringLiteral("Transitions.localized")};

// Where a payload named by the catalog is looked for, in order: the payload root, the first
// resource folder, the main bundle's resources, and the resource bundle beside and inside them.
QStringList payloadSearchFolders(const std::optional<QString>& payloadRoot);

// <home>/Movies/Motion Templates.localized
QString defaultTemplatesRoot();
// "Marlox Studio Developer" in a developer build, else "Marlox Studio".
QString vendorFolderName(const platform::Bundle& mainBundle);

// Refuses a package whose id is not a single folder name, or whose payload paths or template
// subpath climb out of their folders, before anything on disk is touched.
InstallFailure checkCatalogPaths(const catalog::PackageManifest& package);

// A recorded path the engine will not delete is logged instead.
void logSkippedRemoval(const QString& path);

} // namespace marlox::install
