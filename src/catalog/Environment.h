#pragma once

#include "base/FileSystem.h"
#include "platform/Bundle.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace marlox::catalog {

// Each fact here is read from the main bundle the program set up at start
// (platform::mainBundle()), which never changes while it runs; a form taking a bundle answers for
// the bundle a caller was handed instead.

// The application's fixed bundle identifier, used where the bundle carries none.
inline const QString fixedBundleIdentifier = QStringLiteral("studio.marlox.MarloxStudio");

inline const QString releaseSupportFolderName = QStringLiteral("MarloxStudio");
inline const QString developerSupportFolderName = QStringLiteral("MarloxStudioDeveloper");

// The per-user support folder: "MarloxStudio", or "MarloxStudioDeveloper" in a developer build.
QString applicationSupportDirectory();
QString applicationSupportDirectory(const platform::Bundle& mainBundle);
QString cacheDirectory();
// Cache/thumbnails, where the thumbnail cache keeps what it downloads.
QString thumbnailCacheDirectory();
QString logsDirectory();
// Always under "MarloxStudio", developer builds included.
QString installedRecordsFileURL();
// The file the running copy holds locked for as long as it runs. Beside installed.json, so that a
// release and a developer build, which share the records and the install folders, exclude each
// other too.
QString runningCopyLockFilePath();

// Creates the support folder, its Cache and Logs folders and the folder of installed.json, in
// that order; the first failure stops and is returned.
std::optional<base::FileSystemError> ensureApplicationDirectories();
std::optional<base::FileSystemError>
ensureApplicationDirectories(const platform::Bundle& mainBundle);

QString appDisplayName();
QString appDisplayName(const platform::Bundle& bundle);
bool isDeveloperBuild();
bool isDeveloperBuild(const platform::Bundle& bundle);

inline const QStringList resourceBundleNames = {
    QStringLiteral("MarloxStudio_MarloxStudioApp.bundle"),
    QStringLiteral("MarloxStudio_MarloxStudio.bundle"),
};

// The main bundle, then the resource bundles that exist inside its resource folder, without
// duplicates.
QList<platform::Bundle> candidateResourceBundles();
QList<platform::Bundle> candidateResourceBundles(const platform::Bundle& mainBundle);

// The first candidate bundle's path for the resource; empty when no bundle has it.
QString urlForResource(const QString& name, const QString& extension = {},
                       const QString& subdirectory = {});
QString urlForResource(const platform::Bundle& mainBundle, const QString& name,
                       const QString& extension = {}, const QString& subdirectory = {});
QStringList resourceDirectoryURLs();
QStringList resourceDirectoryURLs(const platform::Bundle& mainBundle);

struct DistributionConfiguration {
    std::optional<QUrl> remoteCatalogURL;
    std::optional<QUrl> appcastFeedURL;

    explicit DistributionConfiguration(const platform::Bundle& bundle);
    DistributionConfiguration() = default;
};

// The trimmed string value of the key as a URL; nothing for a non-string, blank or bad value.
std::optional<QUrl> readURLSetting(const platform::Bundle& bundle, const QString& key);

// Read once from the main bundle, on first use, from whichever thread gets there first.
const DistributionConfiguration& sharedConfiguration();

} // namespace marlox::catalog
