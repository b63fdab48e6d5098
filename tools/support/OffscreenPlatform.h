#pragma once

namespace marlox::tools {

// The tools that draw need a GUI application but show nothing: they use the offscreen platform
// unless the environment names another. Called before the application is made.
void preferOffscreenPlatform();

} // namespace marlox::tools
