#include "platform/gui/font_warm_up.h"

#include <fontconfig/fontconfig.h>

#include <QFontDatabase>
#include <QStringList>

#include <future>
#include <optional>
#include <thread>

namespace gui::layer {

namespace {

struct WarmUp {
    std::optional<std::thread> thread;
    std::promise<bool> applicationMade;  // false: the thread stops after the configuration
    bool madeTold = false;
};

WarmUp& State() {
    static WarmUp state;
    return state;
}

void TellApplicationMade(bool made) {
    WarmUp& state = State();
    if (state.madeTold) return;
    state.madeTold = true;
    state.applicationMade.set_value(made);
}

}  // namespace

void BeginFontWarmUp() {
    WarmUp& state = State();
    if (state.thread) return;
    state.applicationMade = {};
    state.madeTold = false;
    std::future<bool> made = state.applicationMade.get_future();
    state.thread.emplace([made = std::move(made)]() mutable {
        // Loads the configuration and the font caches once for the whole process.
        FcInit();
        // The toolkit's list of families can only be filled once the application object has
        // chosen its platform; the list is shared by every thread.
        if (made.get()) QFontDatabase::families();
    });
}

void ApplicationMade() {
    if (State().thread) TellApplicationMade(true);
}

void FinishFontWarmUp() {
    WarmUp& state = State();
    if (!state.thread) return;
    TellApplicationMade(false);  // a no-op once the application has been announced
    state.thread->join();
    state.thread.reset();
}

}  // namespace gui::layer
