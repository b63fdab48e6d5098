#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

namespace marlox::testing {

// A bundle at `copyPath` that runs the executable of the built bundle at `builtBundle` (linked
// in, or copied where no link can be made) over its resources, with an information list of its
// own: the built one with `settings` added, as a distribution configured for its servers is.
// Answers the copy's executable; nothing when the copy cannot be made.
std::optional<QString> configuredBundleCopy(const QString& builtBundle, const QString& copyPath,
                                            const QVariantMap& settings);

} // namespace marlox::testing
