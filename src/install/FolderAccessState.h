#pragma once

#include <QObject>

namespace marlox::install {
Q_NAMESPACE

// Whether a target folder can be used: `needsAccess` until it has been prepared, and again after
// a preparation failed.
enum class FolderAccessState { needsAccess, granted };
Q_ENUM_NS(FolderAccessState)

} // namespace marlox::install
