#pragma once

#include <QString>

namespace marlox::base {

// True when the text names exactly one entry inside a folder: not empty, not "." or "..", and
// without "/" or NUL. Text from outside (package ids, versions, record ids) must pass this before
// it is joined onto a folder path.
bool isSafePathComponent(const QString& text);

// True when the path is the folder itself or lies below it, compared by whole components once
// both are cleaned: "/a/bc" is not inside "/a/b".
bool isPathWithin(const QString& path, const QString& folder);

} // namespace marlox::base
