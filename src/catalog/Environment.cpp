#include "Environment.h"

#include "platform/StandardFolders.h"

#include <QDir>
#include <QFileInfo>

namespace marlox::catalog {
namespace {

QString supportRoot() {
    return platform::userApplicationSupportFolder();
}

// Where what every build shares lies, developer builds included.
QString sharedSupportFolder() {
    return supportRoot() + QLatin1Char('/') + releaseSupportFolderName;
}

} // namespace

QString applicationSupportDirectory(const platform::Bundle& mainBundle) {
    return supportRoot() + QLatin1Char('/') +
           (isDeveloperBuild(mainBundle) ? developerSupportFolderName : releaseSupportFolderName);
}

QString applicationSupportDirectory() {
    return applicationSupportDirectory(platform::mainBundle());
}

QString cacheDirectory() {
    return applicationSupportDirectory() + QLatin1String("/Cache");
}

QString thumbnailCacheDirectory() {
    return cacheDirectory() + QLatin1String("/thumbnails");
}

QString logsDirectory() {
    return applicationSupportDirectory() + QLatin1String("/Logs");
}

QString installedRecordsFileURL() {
    return sharedSupportFolder() + QLatin1String("/installed.json");
}

QString runningCopyLockFilePath() {
    return sharedSupportFolder() + QLatin1String("/.running-copy.lock");
}

std::optional<base::FileSystemError> ensureApplicationDirectories() {
    return ensureApplicationDirectories(platform::mainBundle());
}

std::optional<base::FileSystemError>
ensureApplicationDirectories(const platform::Bundle& mainBundle) {
    const QString support = applicationSupportDirectory(mainBundle);
    const QStringList folders = {support, support + QLatin1String("/Cache"),
                                 support + QLatin1String("/Logs"),
                                 QFileInfo(installedRecordsFileURL()).path()};
    for (const QString& folder : folders) {
        if (auto failure = base::createFolder(folder)) {
            return failure;
        }
    }
    return std::nullopt;
}

QString appDisplayName(const platform::Bundle& bundle) {
    for (const char* key : {"CFBundleDisplayName", "CFBundleName"}) {
        if (auto name = bundle.infoString(QLatin1String(key))) {
            return *name;
        }
    }
    return QStringLiteral("Marlox Studio");
}

QString appDisplayName() {
    return appDisplayName(platform::mainBundle());
}

bool isDeveloperBuild(const platform::Bundle& bundle) {
    const QVariant identifierValue = bundle.infoValue(QStringLiteral("CFBundleIdentifier"));
    const QString identifier = identifierValue.typeId() == QMetaType::QString
                                   ? identifierValue.toString()
                                   : fixedBundleIdentifier;
    if (identifier.endsWith(QLatin1String(".developer"), Qt::CaseSensitive)) {
        return true;
    }
    return appDisplayName(bundle).contains(QLatin1String("developer"), Qt::CaseInsensitive);
}

bool isDeveloperBuild() {
    return isDeveloperBuild(platform::mainBundle());
}

QList<platform::Bundle> candidateResourceBundles(const platform::Bundle& mainBundle) {
    QList<platform::Bundle> bundles{mainBundle};
    const QString resources = mainBundle.resourcePath();
    if (!resources.isEmpty()) {
        for (const QString& name : resourceBundleNames) {
            if (auto bundle = platform::Bundle::load(resources + QLatin1Char('/') + name)) {
                bundles.append(*bundle);
            }
        }
    }
    QList<platform::Bundle> unique;
    QStringList seenPaths;
    for (const platform::Bundle& bundle : bundles) {
        if (!seenPaths.contains(bundle.bundlePath())) {
            seenPaths.append(bundle.bundlePath());
            unique.append(bundle);
        }
    }
    return unique;
}

QList<platform::Bundle> candidateResourceBundles() {
    return candidateResourceBundles(platform::mainBundle());
}

QString urlForResource(const platform::Bundle& mainBundle, const QString& name,
                       const QString& extension, const QString& subdirectory) {
    return platform::pathForResource(candidateResourceBundles(mainBundle), name, extension,
                                     subdirectory);
}

QString urlForResource(const QString& name, const QString& extension, const QString& subdirectory) {
    return urlForResource(platform::mainBundle(), name, extension, subdirectory);
}

QStringList resourceDirectoryURLs(const platform::Bundle& mainBundle) {
    QStringList folders;
    for (const platform::Bundle& bundle : candidateResourceBundles(mainBundle)) {
        const QString resources = bundle.resourcePath();
        if (!resources.isEmpty()) {
            folders.append(resources);
        }
    }
    return folders;
}

QStringList resourceDirectoryURLs() {
    return resourceDirectoryURLs(platform::mainBundle());
}

std::optional<QUrl> readURLSetting(const platform::Bundle& bundle, const QString& key) {
    const QVariant value = bundle.infoValue(key);
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    const QString trimmed = value.toString().trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid()) {
        return std::nullopt;
    }
    return url;
}

DistributionConfiguration::DistributionConfiguration(const platform::Bundle& bundle)
    : remoteCatalogURL(readURLSetting(bundle, QStringLiteral("MarloxRemoteCatalogURL"))),
      appcastFeedURL(readURLSetting(bundle, QStringLiteral("MarloxAppcastFeedURL"))) {}

const DistributionConfiguration& sharedConfiguration() {
    // A function-local static is initialised once, safely across threads.
    static const DistributionConfiguration configuration(platform::mainBundle());
    return configuration;
}

} // namespace marlox::catalog
