#pragma once

namespace transfer {

// "Export Highlighted Clients..." (highlightedOnly) and "Export All Clients...": the main
// list's clients, in list order, with their histories, into a CSV or vCard file the user
// chooses; then says how many went where.
void ExportClients(bool highlightedOnly);

}  // namespace transfer
