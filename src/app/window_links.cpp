#include "app/window_links.h"

#include "app/client_list.h"
#include "app/main_window.h"
#include "details/details_window.h"
#include "followup/scan.h"
#include "platform/gui/ez.h"
#include "reports/print_window.h"
#include "shell/forms.h"
#include "shell/window_links.h"
#include "store/client_table.h"

namespace app {

namespace {

void ResortMainList() {
    SortClientTable();
    FillClientList();
    ShowSelectedCount();
}

void ShowClientInMainList(std::int32_t clientNumber) {
    if (clientNumber <= 0) return;
    const std::int32_t slot = followup::FindSlotByNumber(clientNumber);
    if (slot > 0) store::CurrentSlot = slot;
    if (store::CurrentSlot < 1 || store::CurrentSlot > MainWindow.ClientCount) return;
    const int row = store::CurrentSlot - 1;
    SelectListRow(shell::MainForm, shell::MainList, row, RowSelected);
    gui::ScrollRowIntoView(shell::MainForm, shell::MainList, row);
    // The main window's own rule: "&Edit" is usable while a row is highlighted.
    gui::EZ_ENABLEC(shell::MainForm, EditButton);
    ShowSelectedCount();
}

void MoveMainListHighlight(int fromRow, int toRow) {
    SelectListRow(shell::MainForm, shell::MainList, fromRow, 0);
    SelectListRow(shell::MainForm, shell::MainList, toRow, RowSelected);
    gui::ScrollRowIntoView(shell::MainForm, shell::MainList, toRow);
    ShowSelectedCount();
}

}  // namespace

void LinkWindows() {
    shell::ConnectWindows({
        .mainListRowCount = [] { return MainWindow.ClientCount; },
        .mainListRows =
            [](bool highlightedOnly) {
                return gui::ListRows(shell::MainForm, shell::MainList, highlightedOnly);
            },
        .resortMainList = ResortMainList,
        .showClientInMainList = ShowClientInMainList,
        .moveMainListHighlight = MoveMainListHighlight,
        .openDetailsForScanResult = details::OpenDetailsOnScanResult,
        .openPrintWindow = reports::OpenPrintWindow,
    });
}

}  // namespace app
