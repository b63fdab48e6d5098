#pragma once

#include <QPalette>

namespace marlox::app {

// The palette of the dark appearance, from the interface kit's colours: every window and
// dialog, and each standard control a screen uses, is dark whatever the desktop's setting.
QPalette darkAppearancePalette();

// The Fusion style with the dark palette, for the whole process.
void useDarkAppearance();

} // namespace marlox::app
