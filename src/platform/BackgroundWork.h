#pragma once

#include <QThreadPool>

namespace marlox::platform {

// The pool of low-priority threads that long file work (installs, removals) runs on, so that it
// never holds up the main thread or competes with it. The application object's end waits for it.
QThreadPool* utilityThreadPool();

} // namespace marlox::platform
