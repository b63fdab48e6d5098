#include "ThumbnailLookup.h"

#include "base/SafePath.h"
#include "catalog/Environment.h"
#include "platform/Bundle.h"

namespace marlox::ui {

namespace {

const QString thumbnailsFolder = QStringLiteral("Thumbnails");

std::optional<QUrl> parsedThumbnailURL(const std::optional<QString>& text) {
    if (!text) {
        return std::nullopt;
    }
    const QString trimmed = text->trimmed();
    const QUrl url(trimmed, QUrl::StrictMode);
    if (trimmed.isEmpty() || !url.isValid()) {
        return std::nullopt;
    }
    return url;
}

std::optional<QUrl> bundledThumbnailURL(const std::optional<QString>& name) {
    const QString trimmed = name ? name->trimmed() : QString();
    // A name from the catalog is one file name; anything that could step out of the resource
    // folder is no thumbnail.
    if (!base::isSafePathComponent(trimmed)) {
        return std::nullopt;
    }
    for (const QString& subdirectory : {thumbnailsFolder, QString()}) {
        const QString found = catalog::urlForResource(trimmed, {}, subdirectory);
        if (!found.isEmpty()) {
            return QUrl::fromLocalFile(found);
        }
    }
    const QString resources = platform::mainBundle().resourcePath();
    if (resources.isEmpty()) {
        return std::nullopt;
    }
    return QUrl::fromLocalFile(resources + QLatin1Char('/') + thumbnailsFolder + QLatin1Char('/') +
                               trimmed);
}

} // namespace

std::optional<QUrl> resolvedThumbnailURL(const catalog::PackageManifest& package) {
    if (auto url = parsedThumbnailURL(package.thumbnailURL)) {
        return url;
    }
    return bundledThumbnailURL(package.thumbnailName);
}

} // namespace marlox::ui
