#pragma once

namespace app {

// Deletes the clients of the highlighted rows of the main list once the user agreed, then
// shows the list without them.
void DeleteSelectedClients();

}  // namespace app
