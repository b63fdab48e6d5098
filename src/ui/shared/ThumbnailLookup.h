#pragma once

#include "catalog/CatalogManifest.h"

#include <QUrl>

#include <optional>

namespace marlox::ui {

// Where a package's thumbnail is loaded from: its thumbnail URL when that parses, else its
// thumbnail name in the bundle's "Thumbnails" folder (or the resource root), else nothing.
std::optional<QUrl> resolvedThumbnailURL(const catalog::PackageManifest& package);

} // namespace marlox::ui
