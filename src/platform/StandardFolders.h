#pragma once

#include <QString>

namespace marlox::platform {

// The per-user folders the application works in. They are read afresh at every call, so a test
// that points HOME and XDG_DATA_HOME at a scratch folder moves all of them.
QString homeFolder();
// Where per-user application support folders live (the XDG data home here).
QString userApplicationSupportFolder();
QString userApplicationsFolder();
QString userMoviesFolder();
// The user's pictures folder, whether or not it exists.
QString userPicturesFolder();

} // namespace marlox::platform
