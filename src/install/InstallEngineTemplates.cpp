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

InstallFailure InstallEngine::resolveTemplates(const catalog::PackageManifest& package,
                                               const std::optional<QString>& templatesRoot,
                                               const std::optional<QString>& payloadRoot,
                                               StagedInstall& staged) const {
    if (!package.hasMotionTemplatePayload()) {
        return std::nullopt;
    }
    auto target = templateTargetDirectory(package, templatesRoot);
    if (!target) {
        return target.error();
    }
    auto source =
        resolvePayloadURL(package.motionTemplatePayloadPath->trimmed(), package.name, payloadRoot);
    if (!source) {
        return source.error();
    }
    staged.templateTarget = *target;
    staged.templateSource = *source;
    return std::nullopt;
}

InstallResultOr<QStringList> InstallEngine::stageTemplatePayload(const QString& source,
                                                                 const QString& staging,
                                                                 const QString& target) const {
    QStringList entries;
    if (isFolder(source)) {
        if (auto failure = createFolder(staging)) {
            return *failure;
        }
        const QString entry = staging + QLatin1Char('/') + QFileInfo(source).fileName();
        if (auto failure = copyItem(source, entry)) {
            return *failure;
        }
        entries.append(entry);
    } else if (QFileInfo(source).isFile() &&
               QFileInfo(source).suffix().toLower() == QLatin1String("zip")) {
        auto expanded = expandIntoWorkFolder(source, staging);
        if (!expanded) {
            return expanded.error();
        }
        entries = *expanded;
    } else {
        return InstallError(
            InstallEngineError{InstallEngineError::Case::unsupportedPayload, source, {}});
    }
    for (const QString& entry : entries) {
        const QString name = QFileInfo(entry).fileName();
        if (auto failure = removeQuarantine(entry, target + QLatin1Char('/') + name)) {
            return *failure;
        }
    }
    return entries;
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
