#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/gui/ez.h"
#include "shell/sort_key.h"

namespace app {

// The keys of the list's five columns: exactly the stored fields, blanks included.
inline constexpr std::array<shell::SortKey, 5> ColumnSortKeys{{
    shell::ClientNameKey,  // Client
    {143, 30},             // Contact
    {173, 12},             // Phone
    {185, 4},              // Ext
    {213, 30},             // Gatekeeper
}};
inline constexpr const char* ClientListColumns =
    "Client{19}|Contact{14}|Phone{12}|Ext{5}|Gatekeeper{15}|";

// True for a key that lies wholly inside a record.
bool IsValidSortKey(shell::SortKey key);

// Orders slots 1..2000: clients by shell::ActiveSortKey (unsigned bytes, stable), then the free
// slots in their previous order; disables "&Edit".
void SortClientTable();
// Rebuilds the main list from slot 1 up to the first free slot, and the client count.
void FillClientList();
// Shows the number of highlighted rows in the status bar.
void ShowSelectedCount();
// " Clients on file: " and the count of the last fill, in the status bar.
void ShowClientCount();
// Sorts by a clicked column header of the main list.
int ColumnClickHook(gui::WindowHandle window, int message, std::uintptr_t wParam,
                    const gui::NMLISTVIEW* record);
// Highlights the first client whose name begins with the typed key.
void TypeAhead(int value);
// The state that highlights a row; 0 clears its highlight.
constexpr int RowSelected = 2;
// Sets (state RowSelected) or clears (state 0) the highlight of one row of a list.
void SelectListRow(const std::string& form, int id, int row, int state);

}  // namespace app
