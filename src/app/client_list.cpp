#include "app/client_list.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "app/autosave.h"
#include "app/main_window.h"
#include "shell/forms.h"
#include "shell/sort_key.h"
#include "store/client_table.h"
#include "store/text_field.h"

namespace app {

namespace {

const unsigned char* KeyBytes(const store::ClientRecord& record, shell::SortKey key) {
    return reinterpret_cast<const unsigned char*>(&record) + (key.start - 1);
}

// Moves the records so that slot i + 1 holds the one that was in slot order[i], cycle by
// cycle through one spare record. The entries from count on must already be in place.
void PlaceInOrder(std::array<std::uint16_t, store::MaxClients>& order, std::size_t count) {
    auto& table = store::ClientTable;
    for (std::size_t start = 0; start < count; ++start) {
        if (order[start] == start + 1) continue;
        const store::ClientRecord spare = table[start + 1];
        std::size_t hole = start;
        for (;;) {
            const std::size_t from = order[hole] - 1u;
            order[hole] = static_cast<std::uint16_t>(hole + 1);
            if (from == start) {
                table[hole + 1] = spare;
                break;
            }
            table[hole + 1] = table[from + 1];
            hole = from;
        }
    }
}

}  // namespace

bool IsValidSortKey(shell::SortKey key) {
    // Summed in 64 bits: a damaged file's start and length may each be near the 32-bit limit.
    return key.start >= 1 && key.length >= 1 &&
           std::int64_t{key.start} - 1 + key.length <= static_cast<std::int64_t>(store::RecordSize);
}

void SortClientTable() {
    // A key read from a damaged file could reach outside the record.
    if (!IsValidSortKey(shell::ActiveSortKey)) shell::ActiveSortKey = shell::ClientNameKey;
    const shell::SortKey key = shell::ActiveSortKey;
    // The slots are ordered by number and the records moved once each afterwards: sorting
    // the 348-byte records themselves moves each of them a dozen times. The clients go first
    // and the free slots after them, each in their order so far; only the clients are sorted.
    std::array<std::uint16_t, store::MaxClients> order;
    std::array<std::uint16_t, store::MaxClients> freeSlots;
    std::size_t clients = 0;
    std::size_t frees = 0;
    std::size_t lastClient = 0;
    for (std::uint16_t slot = 1; slot <= store::MaxClients; ++slot) {
        if (store::ClientTable[slot].InUse != 0) {
            order[clients++] = slot;
            lastClient = slot;
        } else {
            freeSlots[frees++] = slot;
        }
    }
    std::copy_n(freeSlots.begin(), frees, order.begin() + std::ptrdiff_t(clients));
    std::stable_sort(order.begin(), order.begin() + std::ptrdiff_t(clients),
                     [key](std::uint16_t a, std::uint16_t b) {
                         return std::memcmp(KeyBytes(store::ClientTable[a], key),
                                            KeyBytes(store::ClientTable[b], key),
                                            static_cast<std::size_t>(key.length)) < 0;
                     });
    // The free slots behind the last client keep their places: only the slots up to it move.
    PlaceInOrder(order, lastClient);
    gui::EZ_DISABLEC(shell::MainForm, EditButton);
}

void FillClientList() {
    // Made once, not once for each of the 10,000 cells.
    const std::string form = shell::MainForm;
    gui::EZ_CLEAR(form, shell::MainList);
    MainWindow.ClientCount = 0;
    gui::EZ_SETREDRAWSTATE(form, shell::MainList, 0);
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        const store::ClientRecord& client = store::ClientTable[slot];
        if (client.InUse <= 0) break;
        const std::array<std::string, 5> cells = {
            store::FieldText(client.ClientName), store::FieldText(client.Contact),
            store::FieldText(client.Phone), store::FieldText(client.Ext),
            store::FieldText(client.Gatekeeper)};
        for (int column = 0; column < 5; ++column) {
            gui::EZ_ADDLVITEM(form, shell::MainList, cells[static_cast<std::size_t>(column)], 0,
                              MainWindow.ClientCount, column, "");
        }
        MainWindow.ClientCount += 1;
    }
    gui::EZ_SETREDRAWSTATE(form, shell::MainList, 1);
    gui::EZ_REDRAWCONTROL(form, shell::MainList);
    ShowClientCount();
}

void ShowClientCount() {
    gui::EZ_SETSBTEXT(shell::MainForm, StatusBar, 2,
                      " Clients on file: " + std::to_string(MainWindow.ClientCount), "");
}

void ShowSelectedCount() {
    const int selected = gui::SelectedRowCount(shell::MainForm, shell::MainList);
    gui::EZ_SETSBTEXT(shell::MainForm, StatusBar, 3, " Selected: " + std::to_string(selected), "");
    gui::EnableMenuCommand(shell::MainForm, shell::MainList, ExportHighlightedCommand,
                           selected > 0);
}

int ColumnClickHook(gui::WindowHandle window, int message, std::uintptr_t,
                    const gui::NMLISTVIEW* record) {
    if (window != MainWindow.FormHandle || message != gui::WM_NOTIFY || record == nullptr ||
        record->hdr.code != gui::LVN_COLUMNCLICK) {
        return 0;
    }
    const ActionScope action;
    const int column = record->iSubItem;
    if (column >= 0 && column < static_cast<int>(ColumnSortKeys.size())) {
        shell::ActiveSortKey = ColumnSortKeys[static_cast<std::size_t>(column)];
    }
    store::ProgramSettings.SortKeyStart = shell::ActiveSortKey.start;
    store::ProgramSettings.SortKeyLength = shell::ActiveSortKey.length;
    store::SaveNeeded = 1;
    SortClientTable();
    FillClientList();
    // The refill cleared the highlight.
    ShowSelectedCount();
    return 1;
}

void TypeAhead(int value) {
    if (shell::ActiveSortKey.start != 1 || value < 48 || value > 122) return;
    const auto lower = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
    };
    const unsigned char typed = lower(static_cast<unsigned char>(value));
    for (int row = 0; row < MainWindow.ClientCount; ++row) {
        const unsigned char first =
            static_cast<unsigned char>(store::ClientTable[row + 1].ClientName[0]);
        if (lower(first) == typed) {
            SelectListRow(shell::MainForm, shell::MainList, row, RowSelected);
            gui::ScrollRowIntoView(shell::MainForm, shell::MainList, row);
            return;
        }
    }
}

void SelectListRow(const std::string& form, int id, int row, int state) {
    gui::SetRowSelected(form, id, row, (state & RowSelected) != 0);
    // The status bar counts the main list's highlight, whoever changes it.
    if (form == shell::MainForm && id == shell::MainList) ShowSelectedCount();
}

}  // namespace app
