#pragma once

namespace app {

// Deletes the clients of the highlighted rows of the main list once the user agreed, then
// shows the list without them. The table without them is saved at once and only then are
// their histories removed; when it cannot be saved the user is told once and they stay.
void DeleteSelectedClients();

}  // namespace app
