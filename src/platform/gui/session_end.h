#pragma once

namespace gui::layer {

// Ends the run as a logout does when SIGTERM, SIGINT or SIGHUP arrives or the desktop session
// asks the program to save its data. Called once the application object exists.
void WatchForSessionEnd();
// True once the end of the session was asked for; the run loop then finishes it.
bool SessionEnding();
// The session-end close of the windows opened without a parent, then every window closed
// without asking. Called outside every event loop.
void FinishSession();
// Back to the start: no end asked for, the signals as the system handles them.
void StopWatchingForSessionEnd();

}  // namespace gui::layer
