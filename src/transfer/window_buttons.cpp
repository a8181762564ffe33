#include "transfer/window_buttons.h"

#include "platform/gui/ez.h"
#include "shell/app_state.h"

namespace transfer {

bool HandleCloseAndHelp(const WindowButtons& window, int id, int code, int value) {
    if ((code == gui::EV_KEY && value == gui::VK_ESCAPE) ||
        (code == gui::EV_CLICK && id == window.cancelButton)) {
        gui::EZ_UNLOADFORM(window.form);
        return true;
    }
    if (code == gui::EV_CLICK && id == window.helpButton) {
        shell::HelpOpen = gui::EZ_WINHELP(window.form, shell::HelpFilePath, window.helpTopic, "K");
        return true;
    }
    return false;
}

}  // namespace transfer
