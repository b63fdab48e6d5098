#pragma once

namespace marlox::app {

// The Fusion style with the interface kit's dark palette for the whole process: every window and
// dialog, and each standard control a screen uses, is dark whatever the desktop's setting.
void useDarkAppearance();

} // namespace marlox::app
