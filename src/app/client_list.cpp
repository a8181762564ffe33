#include "app/client_list.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "app/forms.h"
#include "app/main_window.h"
#include "store/client_table.h"
#include "store/text_field.h"

namespace app {

SortKey ActiveSortKey = ClientNameKey;
std::int32_t ClientCount = 0;
gui::WindowHandle FormHandle = 0;

namespace {

const unsigned char* KeyBytes(const store::ClientRecord& record, SortKey key) {
    return reinterpret_cast<const unsigned char*>(&record) + (key.start - 1);
}

}  // namespace

bool IsValidSortKey(SortKey key) {
    // Summed in 64 bits: a damaged file's start and length may each be near the 32-bit limit.
    return key.start >= 1 && key.length >= 1 &&
           std::int64_t{key.start} - 1 + key.length <= static_cast<std::int64_t>(store::RecordSize);
}

void SortClientTable() {
    // A key read from a damaged file could reach outside the record.
    if (!IsValidSortKey(ActiveSortKey)) ActiveSortKey = ClientNameKey;
    const SortKey key = ActiveSortKey;
    auto& table = store::ClientTable;
    std::stable_sort(table.begin() + 1, table.end(),
                     [key](const store::ClientRecord& a, const store::ClientRecord& b) {
                         const bool aUsed = a.InUse != 0;
                         const bool bUsed = b.InUse != 0;
                         if (aUsed != bUsed) return aUsed;
                         if (!aUsed) return false;
                         return std::memcmp(KeyBytes(a, key), KeyBytes(b, key),
                                            static_cast<std::size_t>(key.length)) < 0;
                     });
    gui::EZ_DISABLEC(MainForm, EditButton);
}

void FillClientList() {
    gui::EZ_CLEAR(MainForm, MainList);
    ClientCount = 0;
    gui::EZ_SETREDRAWSTATE(MainForm, MainList, 0);
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        const store::ClientRecord& client = store::ClientTable[slot];
        if (client.InUse <= 0) break;
        const std::array<std::string, 5> cells = {
            store::FieldText(client.ClientName), store::FieldText(client.Contact),
            store::FieldText(client.Phone), store::FieldText(client.Ext),
            store::FieldText(client.Gatekeeper)};
        for (int column = 0; column < 5; ++column) {
            gui::EZ_ADDLVITEM(MainForm, MainList, cells[column], 0, ClientCount, column, "");
        }
        ClientCount += 1;
    }
    gui::EZ_SETREDRAWSTATE(MainForm, MainList, 1);
    gui::EZ_REDRAWCONTROL(MainForm, MainList);
    gui::EZ_SETSBTEXT(MainForm, StatusBar, 2, " Clients on file: " + std::to_string(ClientCount), "");
}

void ShowSelectedCount() {
    const int selected =
        gui::EZ_SENDMESSAGER(MainForm, MainList, gui::LVM_GETSELECTEDCOUNT, 0, 0);
    gui::EZ_SETSBTEXT(MainForm, StatusBar, 3, " Selected: " + std::to_string(selected), "");
}

int ColumnClickHook(gui::WindowHandle window, int message, std::uintptr_t,
                    const gui::NMLISTVIEW* record) {
    if (window != FormHandle || message != gui::WM_NOTIFY || record == nullptr ||
        record->hdr.code != gui::LVN_COLUMNCLICK) {
        return 0;
    }
    const int column = record->iSubItem;
    if (column >= 0 && column < static_cast<int>(ColumnSortKeys.size())) {
        ActiveSortKey = ColumnSortKeys[static_cast<std::size_t>(column)];
    }
    store::ProgramSettings.SortKeyStart = ActiveSortKey.start;
    store::ProgramSettings.SortKeyLength = ActiveSortKey.length;
    store::SaveNeeded = 1;
    SortClientTable();
    FillClientList();
    return 1;
}

void TypeAhead(int value) {
    if (ActiveSortKey.start != 1 || value < 48 || value > 122) return;
    const auto lower = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
    };
    const unsigned char typed = lower(static_cast<unsigned char>(value));
    for (int row = 0; row < ClientCount; ++row) {
        const unsigned char first =
            static_cast<unsigned char>(store::ClientTable[row + 1].ClientName[0]);
        if (lower(first) == typed) {
            SelectListRow(MainForm, MainList, row, static_cast<int>(gui::LVIS_SELECTED));
            gui::EZ_SENDMESSAGE(MainForm, MainList, gui::LVM_ENSUREVISIBLE, row, 0);
            return;
        }
    }
}

void SelectListRow(const std::string& form, int id, int row, int state) {
    gui::LVITEM item;
    item.mask = gui::LVIF_STATE;
    item.iItem = row;
    item.iSubItem = 0;
    item.state = static_cast<unsigned>(state);
    item.stateMask = gui::LVIS_SELECTED;
    gui::EZ_SENDMESSAGE(form, id, gui::LVM_SETITEM, 0, item);
}

}  // namespace app
