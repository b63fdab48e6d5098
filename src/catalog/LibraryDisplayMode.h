#pragma once

#include <QString>

#include <array>
#include <optional>

namespace marlox::catalog {

// How the Plugins screen lays out its package cards.
enum class LibraryDisplayMode { list, small, medium };

inline constexpr std::array<LibraryDisplayMode, 3> allLibraryDisplayModes = {
    LibraryDisplayMode::list, LibraryDisplayMode::small, LibraryDisplayMode::medium};

QString rawValue(LibraryDisplayMode mode);
// Exactly "list", "small" or "medium", case-sensitive.
std::optional<LibraryDisplayMode> libraryDisplayModeFromRawValue(const QString& raw);

} // namespace marlox::catalog
