#include "InstallEngineSupport.h"

#include "FileOperations.h"
#include "base/SafePath.h"
#include "catalog/Environment.h"
#include "catalog/OperationsLog.h"
#include "platform/Bundle.h"
#include "platform/StandardFolders.h"

namespace marlox::install {

QStringList payloadSearchFolders(const std::optional<QString>& payloadRoot) {
    static const QString resourceBundle = QStringLiteral("/MarloxStudio_MarloxStudioApp.bundle");
    const platform::Bundle& mainBundle = platform::mainBundle();
    const QStringList resourceFolders = catalog::resourceDirectoryURLs();
    const QString mainResources = mainBundle.resourcePath();
    QStringList folders;
    if (payloadRoot) {
        folders.append(*payloadRoot);
    }
    if (!resourceFolders.isEmpty()) {
        folders.append(resourceFolders.first());
    }
    if (!mainResources.isEmpty()) {
        folders.append(mainResources);
    }
    folders.append(mainBundle.bundlePath() + resourceBundle);
    if (!mainResources.isEmpty()) {
        folders.append(mainResources + resourceBundle);
    }
    return folders;
}

QString defaultTemplatesRoot() {
    return platform::userMoviesFolder() + QLatin1Char('/') + templatesLibraryName;
}

QString vendorFolderName(const platform::Bundle& mainBundle) {
    return catalog::isDeveloperBuild(mainBundle) ? QStringLiteral("Marlox Studio Developer")
                                                 : QStringLiteral("Marlox Studio");
}

InstallFailure checkCatalogPaths(const catalog::PackageManifest& package) {
    if (!base::isSafePathComponent(package.id)) {
        return InstallEngineError{InstallEngineError::Kind::unsafePackageID, package.id, {}};
    }
    for (const std::optional<QString>& payloadPath :
         {std::optional<QString>(package.bundlePayloadPath), package.motionTemplatePayloadPath}) {
        if (payloadPath && hasDotComponent(payloadPath->trimmed())) {
            return InstallEngineError{
                InstallEngineError::Kind::unsafePayloadPath, payloadPath->trimmed(), {}};
        }
    }
    if (package.motionTemplateInstallSubpath &&
        hasDotComponent(package.motionTemplateInstallSubpath->trimmed())) {
        return InstallEngineError{InstallEngineError::Kind::unsafeTemplateSubpath,
                                  package.motionTemplateInstallSubpath->trimmed(),
                                  {}};
    }
    return std::nullopt;
}

void logSkippedRemoval(const QString& path) {
    catalog::log(QStringLiteral("Removal skipped a recorded path outside the install folders: ") +
                 path);
}

} // namespace marlox::install
