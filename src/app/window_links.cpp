#include "shell/window_links.h"

#include "app/client_list.h"
#include "app/main_window.h"
#include "details/details_window.h"
#include "followup/scan_results_window.h"
#include "platform/gui/ez.h"
#include "reports/print_window.h"
#include "shell/forms.h"
#include "store/client_table.h"

namespace shell {

std::int32_t MainListRowCount() {
    return app::ClientCount;
}

void ResortMainList() {
    app::SortClientTable();
    app::FillClientList();
    app::ShowSelectedCount();
}

void ShowClientInMainList(std::int32_t clientNumber) {
    if (clientNumber <= 0) return;
    const std::int32_t slot = followup::FindSlotByNumber(clientNumber);
    if (slot > 0) store::CurrentSlot = slot;
    if (store::CurrentSlot < 1 || store::CurrentSlot > app::ClientCount) return;
    const int row = store::CurrentSlot - 1;
    app::SelectListRow(MainForm, app::MainList, row, app::RowSelected);
    gui::ScrollRowIntoView(MainForm, app::MainList, row);
    // The main window's own rule: "&Edit" is usable while a row is highlighted.
    gui::EZ_ENABLEC(MainForm, app::EditButton);
    app::ShowSelectedCount();
}

void MoveMainListHighlight(int fromRow, int toRow) {
    app::SelectListRow(MainForm, app::MainList, fromRow, 0);
    app::SelectListRow(MainForm, app::MainList, toRow, app::RowSelected);
    gui::ScrollRowIntoView(MainForm, app::MainList, toRow);
    app::ShowSelectedCount();
}

void OpenDetailsForScanResult(std::int32_t row, std::int32_t slot) {
    details::ScanEditRow = row;
    store::CurrentSlot = slot;
    store::CurrentRecord = store::ClientTable[slot];
    details::OpenDetailsWindow(ScanResultsForm);
}

void OpenPrintWindow(const std::string& opener) {
    reports::OpenPrintWindow(opener);
}

}  // namespace shell
