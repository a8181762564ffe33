#pragma once

#include <string>

namespace transfer {

// The keys and buttons the import and restore windows share: Escape and Cancel close the
// window, Help opens the help at the window's topic. True when the event was one of them and
// has been handled.
struct WindowButtons {
    const char* form;
    int cancelButton;
    int helpButton;
    const char* helpTopic;
};
bool HandleCloseAndHelp(const WindowButtons& window, int id, int code, int value);

}  // namespace transfer
