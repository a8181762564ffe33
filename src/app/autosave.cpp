#include "app/autosave.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdlib>
#include <memory>

#include "platform/gui/ez.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"

namespace app {

namespace {

constexpr int DefaultSaveDelay = 200;

struct AutosaveState {
    int depth = 0;  // user actions running, nested ones included
    int delay = DefaultSaveDelay;
    bool failureTold = false;  // the last failure was told; quiet until a save succeeds
    bool saveOnExit = false;   // the main window is open: an exit now is an abrupt one
    bool exitHandlerInstalled = false;
    std::unique_ptr<QTimer> timer;
};

AutosaveState& State() {
    static AutosaveState state;
    return state;
}

QTimer& Timer() {
    AutosaveState& state = State();
    if (!state.timer) {
        state.timer = std::make_unique<QTimer>();
        state.timer->setSingleShot(true);
        QObject::connect(state.timer.get(), &QTimer::timeout, [] { SaveIfPending(); });
    }
    return *state.timer;
}

void TellSaveFailed() {
    gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(),
                   "The clients could not be saved to \"" + store::DataFilePath() + "\" (" +
                       store::LastFileError() +
                       "). The file on disk is unchanged; your changes are kept in memory, and "
                       "Vendrix 2 saves them again after your next change and when you exit.{!}",
                   "Clients Not Saved", "OK");
}

// Runs inside exit(): only the store, and no window, which may be half gone by then.
void SaveBeforeExit() {
    if (State().saveOnExit && store::SaveNeeded != 0 && store::DataWritable()) {
        store::SaveClientTable();
    }
}

// Schedules a save when a change is pending and none is scheduled yet.
void ScheduleSave() {
    if (store::SaveNeeded == 0 || !store::DataWritable() || !QCoreApplication::instance()) return;
    QTimer& timer = Timer();
    if (!timer.isActive()) timer.start(State().delay);
}

}  // namespace

ActionScope::ActionScope() {
    ++State().depth;
}

ActionScope::~ActionScope() {
    if (--State().depth == 0) ScheduleSave();
}

void SaveIfPending() {
    AutosaveState& state = State();
    if (store::SaveNeeded == 0 || !store::DataWritable()) return;
    // A timer also fires inside a message box or a preview that an action opened; the
    // table may be half changed there, so the save waits for the action's end.
    if (state.depth > 0) {
        Timer().start(state.delay);
        return;
    }
    if (store::SaveClientTable()) {
        state.failureTold = false;
        return;
    }
    if (state.failureTold) return;
    state.failureTold = true;
    TellSaveFailed();
}

void NoteSaveFailureTold() {
    State().failureTold = true;
}

void CancelScheduledSave() {
    AutosaveState& state = State();
    if (state.timer) state.timer->stop();
    state.failureTold = false;
}

void SetSaveDelay(int milliseconds) {
    State().delay = milliseconds;
}

int SaveDelay() {
    return State().delay;
}

void SaveOnAbruptExit(bool on) {
    AutosaveState& state = State();
    state.saveOnExit = on;
    if (on && !state.exitHandlerInstalled) {
        state.exitHandlerInstalled = true;
        std::atexit(SaveBeforeExit);
    }
}

}  // namespace app
