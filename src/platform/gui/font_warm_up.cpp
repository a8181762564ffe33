#include "platform/gui/font_warm_up.h"

#include <fontconfig/fontconfig.h>
#include <pthread.h>
#include <sched.h>

#include <QFontDatabase>
#include <QStringList>

#include <future>
#include <optional>
#include <thread>

#include "platform/gui/carried_fonts.h"

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

// A new thread tends to wait behind its maker on the maker's processor until the maker sleeps,
// which would leave the warm-up nothing to overlap. It is moved off that processor at once and
// given every processor back as soon as it runs.
void StartOnAnotherProcessor(std::thread& thread, const cpu_set_t& every) {
    const int current = ::sched_getcpu();
    if (current < 0 || CPU_COUNT(&every) < 2) return;
    const auto processor = static_cast<std::size_t>(current);
    if (!CPU_ISSET(processor, &every)) return;
    cpu_set_t others = every;
    CPU_CLR(processor, &others);
    ::pthread_setaffinity_np(thread.native_handle(), sizeof others, &others);
}

}  // namespace

void BeginFontWarmUp() {
    WarmUp& state = State();
    if (state.thread) return;
    state.applicationMade = {};
    state.madeTold = false;
    std::future<bool> made = state.applicationMade.get_future();
    cpu_set_t every;
    CPU_ZERO(&every);
    const bool known = ::sched_getaffinity(0, sizeof every, &every) == 0;
    state.thread.emplace([made = std::move(made), every, known]() mutable {
        if (known) ::pthread_setaffinity_np(::pthread_self(), sizeof every, &every);
        // Loads the configuration and the font caches once for the whole process.
        FcInit();
        // The toolkit's list of families can only be filled once the application object has
        // chosen its platform; the list is shared by every thread.
        // A carried face goes in before the list is filled, which would otherwise be filled
        // a second time.
        if (made.get()) {
            EnsureCarriedFonts();
            QFontDatabase::families();
        }
    });
    if (known) StartOnAnotherProcessor(*state.thread, every);
}

void ApplicationMade() {
    if (State().thread) TellApplicationMade(true);
}

void FinishFontWarmUp() {
    WarmUp& state = State();
    if (state.thread) {
        TellApplicationMade(false);  // a no-op once the application has been announced
        state.thread->join();
        state.thread.reset();
    }
    EnsureCarriedFonts();  // done by the thread when the application was announced to it
}

}  // namespace gui::layer
