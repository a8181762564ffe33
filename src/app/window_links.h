#pragma once

namespace app {

// Hands the windows below the application what they may ask of the main window and of one
// another (see shell/window_links.h).
void LinkWindows();

}  // namespace app
