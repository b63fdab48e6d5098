#include "LibraryDisplayMode.h"

namespace marlox::catalog {

QString rawValue(LibraryDisplayMode mode) {
    switch (mode) {
    case LibraryDisplayMode::list:
        return QStringLiteral("list");
    case LibraryDisplayMode::small:
        return QStringLiteral("small");
    case LibraryDisplayMode::medium:
        return QStringLiteral("medium");
    }
    return QStringLiteral("small");
}

std::optional<LibraryDisplayMode> libraryDisplayModeFromRawValue(const QString& raw) {
    for (LibraryDisplayMode mode : allLibraryDisplayModes) {
        if (rawValue(mode) == raw) {
            return mode;
        }
    }
    return std::nullopt;
}

} // namespace marlox::catalog
