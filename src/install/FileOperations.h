#pragma once

#include "InstallErrors.h"

#include <QString>
#include <QStringList>

namespace marlox::install {

// File work of the installer on plain paths. Nothing here follows a symbolic link unless it says
// so: a link is copied, moved and removed as a link.

// True when anything is at the path, a dangling symbolic link included.
bool itemExists(const QString& path);
bool isFolder(const QString& path);

// Every item below the root (not the root itself), folders before their contents, names in
// ascending order. Symbolic links are listed but not entered.
QStringList enumerateTree(const QString& root, bool includeHidden);

// The direct entries of a folder without hidden ones, as full paths in ascending name order.
InstallResultOr<QStringList> visibleEntries(const QString& folder);

InstallFailure createFolder(const QString& path);
// Copies a file, folder or link to a destination where nothing is yet, keeping symbolic links,
// permissions, hidden files, modification times and extended attributes.
InstallFailure copyItem(const QString& source, const QString& destination);
InstallFailure moveItem(const QString& source, const QString& destination);
InstallFailure removeItem(const QString& path);
// Removes whatever is at the destination, then moves the source there.
InstallFailure moveReplacing(const QString& source, const QString& destination);
// Removes a scratch item; a failure leaves it for a later clean-up of the cache.
void removeQuietly(const QString& path);

// The path made absolute, without "." and ".." components, with symbolic links resolved as far
// as the path exists.
QString canonicalPath(const QString& path);
// True when the path has a "." or ".." component.
bool hasDotComponent(const QString& path);
// True when the path is absolute, has no "." or ".." component, is not the root, and the folder
// holding it, once resolved, is the root or lies below it.
bool liesStrictlyInside(const QString& path, const QString& root);
// True when the path, links included, resolves to somewhere strictly below the resolved root.
bool resolvesInside(const QString& path, const QString& root);
// True when the path lies strictly below the root and no folder on the way down from the root,
// nor the path itself, is a symbolic link; the root may be reached through links.
bool reachedWithoutLinks(const QString& path, const QString& root);

} // namespace marlox::install
