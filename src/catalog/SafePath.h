#pragma once

#include <QString>

namespace marlox::catalog {

// True when the text names exactly one entry inside a folder: not empty, not "." or "..", and
// without "/" or NUL. Text from outside (package ids, versions, record ids) must pass this before
// it is joined onto a folder path.
bool isSafePathComponent(const QString& text);

} // namespace marlox::catalog
