#include "app/app_state.h"
#include "app/client_list.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "details/details_window.h"
#include "details/save_prompt.h"
#include "platform/gui/ez.h"
#include "store/client_table.h"

namespace details {

namespace {

// Moves to the client of the neighbouring row of the main list, the list's highlight going
// along. The list is not re-sorted while the window is open, so row r still shows slot r + 1.
void MoveBy(int step) {
    const std::int32_t target = store::CurrentSlot + step;
    if (!WalksMainList || app::OpenerForm != app::MainForm || target < 1 ||
        target > app::ClientCount) {
        return;
    }
    if (!MayLeaveRecord(app::DetailsForm, LeavePromptText)) return;
    app::SelectListRow(app::MainForm, app::MainList, store::CurrentSlot - 1, 0);
    store::CurrentSlot = target;
    app::SelectListRow(app::MainForm, app::MainList, store::CurrentSlot - 1, app::RowSelected);
    gui::ScrollRowIntoView(app::MainForm, app::MainList, store::CurrentSlot - 1);
    app::ShowSelectedCount();
    store::CurrentRecord = store::ClientTable[store::CurrentSlot];
    ShowCurrentRecord();
    gui::EZ_SETFOCUS(app::DetailsForm, ClientNameBox);
    store::CurrentClientNumber = store::CurrentRecord.ClientNumber;
}

}  // namespace

void ShowNextClient() {
    MoveBy(+1);
}

void ShowPreviousClient() {
    MoveBy(-1);
}

}  // namespace details
