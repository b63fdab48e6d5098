#pragma once

#include <QString>

namespace marlox::app {

// Tells the user something at launch, before any window: a line on standard error and one in the
// operations log.
void reportAtLaunch(const QString& message);

// Ends a launch that another copy keeps from the user's data, when that copy did not take its
// request for a window either. It says so, touching nothing but the log, which appends as the
// other copy does; where a screen shows windows it also opens an alert and runs the event loop
// until the user closes it or a terminate request comes. Answers the exit status.
int endBecauseAnotherCopyRuns();

} // namespace marlox::app
