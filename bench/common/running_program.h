#pragma once

namespace bench {

// Starts the real program offscreen, once per process, on a program folder with the full
// table (and every client's history), the start-up scan already done today. True while it
// runs with all clients in its list. Needs the QApplication of RunWithApplication.
bool StartFullProgram();

// Closes the program's windows and removes its folder; RunWithApplication calls it before
// the application ends.
void StopFullProgram();

}  // namespace bench
