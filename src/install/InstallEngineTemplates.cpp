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
    return InstallEngineError{InstallEngineError::Case::unsafeTemplateSubpath, subpath, {}};
}

} // namespace

InstallResultOr<QStringList>
InstallEngine::installTemplates(const catalog::PackageManifest& package,
                                const std::optional<QString>& templatesRoot,
                                const std::optional<catalog::InstalledPackage>& previous,
                                const std::optional<QString>& payloadRoot) const {
    // The target is settled first, so that a package that cannot place its templates leaves the
    // earlier ones where they are.
    std::optional<QString> target;
    if (package.hasMotionTemplatePayload()) {
        auto resolved = templateTargetDirectory(package, templatesRoot);
        if (!resolved) {
            return resolved.error();
        }
        target = *resolved;
    }
    if (previous) {
        if (auto failure = removeTemplatePaths(previous->templateInstallPaths)) {
            return *failure;
        }
    }
    if (!target) {
        return QStringList();
    }
    const auto source =
        resolvePayloadURL(package.motionTemplatePayloadPath->trimmed(), package.name, payloadRoot);
    if (!source) {
        return source.error();
    }
    if (auto failure = createFolder(*target)) {
        return *failure;
    }
    return installTemplatePayload(*source, *target);
}

InstallResultOr<QString>
InstallEngine::templateTargetDirectory(const catalog::PackageManifest& package,
                                       const std::optional<QString>& templatesRoot) {
    const QString root = templatesRoot.value_or(defaultTemplatesRoot());
    QString target;
    const QString subpath = package.motionTemplateInstallSubpath
                                ? package.motionTemplateInstallSubpath->trimmed()
                                : QString();
    if (!subpath.isEmpty()) {
        if (hasDotComponent(subpath)) {
            return unsafeSubpath(subpath);
        }
        target = root + QLatin1Char('/') + normalizeTemplateSubpath(subpath);
    } else {
        QString typeFolder;
        switch (package.type) {
        case catalog::PackageType::generator:
            typeFolder = QStringLiteral("Generators.localized");
            break;
        case catalog::PackageType::filter:
            typeFolder = QStringLiteral("Effects.localized");
            break;
        case catalog::PackageType::template_:
            return InstallError(
                InstallEngineError{InstallEngineError::Case::unsupportedTemplatePackageType,
                                   catalog::rawValue(package.type),
                                   {}});
        }
        if (hasDotComponent(package.category)) {
            return unsafeSubpath(package.category);
        }
        target = root + QLatin1Char('/') + typeFolder + QLatin1Char('/') + vendorFolderName() +
                 QLatin1Char('/') + package.category;
    }
    target = QDir::cleanPath(target);
    // Links already in the library must not carry the templates out of it either.
    if (!resolvesInside(target, root)) {
        return unsafeSubpath(subpath.isEmpty() ? package.category : subpath);
    }
    return target;
}

QString InstallEngine::normalizeTemplateSubpath(const QString& subpath) {
    // Empty parts are kept, so leading, trailing and doubled slashes survive the join.
    QStringList parts = subpath.split(QLatin1Char('/'));
    if (parts.size() < 2) {
        return subpath;
    }
    if (vendorFolderNames.contains(parts.at(1))) {
        parts[1] = vendorFolderName();
    }
    return parts.join(QLatin1Char('/'));
}

InstallResultOr<QStringList>
InstallEngine::installTemplatePayload(const QString& source, const QString& targetFolder) const {
    if (isFolder(source)) {
        const QString destination = targetFolder + QLatin1Char('/') + QFileInfo(source).fileName();
        if (auto failure = copyReplacing(source, destination)) {
            return *failure;
        }
        if (auto failure = removeQuarantine(destination)) {
            return *failure;
        }
        return QStringList{destination};
    }
    if (!QFileInfo(source).isFile() ||
        QFileInfo(source).suffix().toLower() != QLatin1String("zip")) {
        return InstallError(
            InstallEngineError{InstallEngineError::Case::unsupportedPayload, source, {}});
    }
    const QString workFolder = newWorkFolder(QStringLiteral("template-expand-"));
    const auto entries = expandIntoWorkFolder(source, workFolder);
    if (!entries) {
        return entries.error();
    }
    QStringList placed;
    InstallFailure failure;
    for (const QString& entry : *entries) {
        const QString destination = targetFolder + QLatin1Char('/') + QFileInfo(entry).fileName();
        failure = moveReplacing(entry, destination);
        if (!failure) {
            failure = removeQuarantine(destination);
        }
        if (failure) {
            break;
        }
        placed.append(destination);
    }
    removeQuietly(workFolder);
    if (failure) {
        return *failure;
    }
    placed.sort();
    return placed;
}

InstallFailure InstallEngine::removeTemplatePaths(const QStringList& paths) const {
    for (const QString& path : paths) {
        if (path.isEmpty() || !itemExists(path)) {
            continue;
        }
        if (!isRemovableRecordedPath(path)) {
            logSkippedRemoval(path);
            continue;
        }
        if (auto failure = removeItem(path)) {
            return failure;
        }
        const auto library = templatesRootContaining(path);
        if (!library) {
            continue;
        }
        if (auto failure =
                pruneEmptyDirectories(QFileInfo(QDir::cleanPath(path)).path(), *library)) {
            return failure;
        }
    }
    return std::nullopt;
}

std::optional<QString> InstallEngine::templatesRootContaining(const QString& path) {
    const QStringList components = QDir::cleanPath(QFileInfo(path).absoluteFilePath())
                                       .split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const qsizetype index = components.indexOf(templatesLibraryName);
    if (index < 0) {
        return std::nullopt;
    }
    return QLatin1Char('/') + components.mid(0, index + 1).join(QLatin1Char('/'));
}

} // namespace marlox::install
