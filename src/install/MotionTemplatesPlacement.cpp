#include "MotionTemplatesPlacement.h"

#include "FileOperations.h"
#include "InstallEngine.h"
#include "InstallEngineSupport.h"

#include <QDir>
#include <QFileInfo>

namespace marlox::install {
namespace {

const QStringList vendorFolderNames = {QStringLiteral("Marlox Studio"),
                                       QStringLiteral("Marlox Studio Developer")};

InstallError unsafeSubpath(const QString& subpath) {
    return InstallEngineError{InstallEngineError::Kind::unsafeTemplateSubpath, subpath, {}};
}

} // namespace

InstallResultOr<QString> templateTargetDirectory(const catalog::PackageManifest& package,
                                                 const std::optional<QString>& templatesRoot,
                                                 const platform::Bundle& mainBundle) {
    const QString root = templatesRoot.value_or(defaultTemplatesRoot());
    QString target;
    const QString subpath = package.motionTemplateInstallSubpath
                                ? package.motionTemplateInstallSubpath->trimmed()
                                : QString();
    if (!subpath.isEmpty()) {
        if (hasDotComponent(subpath)) {
            return unsafeSubpath(subpath);
        }
        target = root + QLatin1Char('/') + normalizeTemplateSubpath(subpath, mainBundle);
    } else {
        QString typeFolder;
        switch (package.type) {
        case catalog::PackageType::generator:
            typeFolder = generatorsTypeFolderName;
            break;
        case catalog::PackageType::filter:
            typeFolder = effectsTypeFolderName;
            break;
        case catalog::PackageType::template_:
            return InstallError(
                InstallEngineError{InstallEngineError::Kind::unsupportedTemplatePackageType,
                                   catalog::rawValue(package.type),
                                   {}});
        }
        if (hasDotComponent(package.category)) {
            return unsafeSubpath(package.category);
        }
        target = root + QLatin1Char('/') + typeFolder + QLatin1Char('/') +
                 vendorFolderName(mainBundle) + QLatin1Char('/') + package.category;
    }
    target = QDir::cleanPath(target);
    const QString named = subpath.isEmpty() ? package.category : subpath;
    // Links already in the library must not carry the templates out of it.
    if (!resolvesInside(target, root)) {
        return unsafeSubpath(named);
    }
    // Nor through one inside it: a start settles nothing it would reach through a link.
    if (!reachedWithoutLinks(target, root)) {
        return InstallError(
            InstallEngineError{InstallEngineError::Kind::linkedTemplateFolder, named, {}});
    }
    return target;
}

QString normalizeTemplateSubpath(const QString& subpath, const platform::Bundle& mainBundle) {
    // Empty parts are kept, so leading, trailing and doubled slashes survive the join.
    QStringList parts = subpath.split(QLatin1Char('/'));
    if (parts.size() < 2) {
        return subpath;
    }
    if (vendorFolderNames.contains(parts.at(1))) {
        parts[1] = vendorFolderName(mainBundle);
    }
    return parts.join(QLatin1Char('/'));
}

std::optional<QString> templatesRootContaining(const QString& path) {
    const QStringList components = QDir::cleanPath(QFileInfo(path).absoluteFilePath())
                                       .split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const qsizetype index = components.indexOf(templatesLibraryName);
    if (index < 0) {
        return std::nullopt;
    }
    return QLatin1Char('/') + components.mid(0, index + 1).join(QLatin1Char('/'));
}

std::optional<QStringList> pruneEmptiedLibraryFolders(const QString& item) {
    const auto library = templatesRootContaining(item);
    if (!library) {
        return std::nullopt;
    }
    return InstallEngine::pruneEmptyDirectories(QFileInfo(QDir::cleanPath(item)).path(), *library);
}

} // namespace marlox::install
