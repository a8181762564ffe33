#pragma once

namespace app {

// Every change the program keeps reaches "Clients.dat" soon after the user's action that made
// it has finished, so that a crash, a logout or a lost display loses at most that fraction
// of a second.

// Marks the run of one user action (an event handler, the column-click hook, the start
// procedure); when the outermost one ends with a change pending, the save is scheduled.
class ActionScope {
public:
    ActionScope();
    ~ActionScope();
    ActionScope(const ActionScope&) = delete;
    ActionScope& operator=(const ActionScope&) = delete;
};

// Saves now when a change is pending and no action is running; a failure is told once, until
// a save succeeds again. Does nothing in a folder that may not be written (the user was told).
void SaveIfPending();
// Counts a failed save that the user was just told of in other words as told: the failures
// that follow stay quiet until a save succeeds again.
void NoteSaveFailureTold();
// Forgets a scheduled save (a new run begins).
void CancelScheduledSave();
// How long after an action the save waits, in milliseconds (short: the safe save costs well
// under a millisecond, and changes of one burst of clicks are saved together).
void SetSaveDelay(int milliseconds);
int SaveDelay();

// While on, a process that ends without closing the main window (the toolkit ends it when the
// display goes away) still saves a pending change on its way out.
void SaveOnAbruptExit(bool on);

}  // namespace app
