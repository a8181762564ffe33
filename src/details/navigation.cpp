#include "details/details_window.h"
#include "details/save_prompt.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "shell/window_links.h"
#include "store/client_table.h"

namespace details {

namespace {

// Moves to the client of the neighbouring row of the main list, the list's highlight going
// along. The list is not re-sorted while the window is open, so row r still shows slot r + 1.
void MoveBy(int step) {
    const std::int32_t target = store::CurrentSlot + step;
    if (!Window.WalksMainList || shell::OpenerForm != shell::MainForm || target < 1 ||
        target > shell::MainListRowCount()) {
        return;
    }
    if (!MayLeaveRecord(shell::DetailsForm, LeavePromptText)) return;
    shell::MoveMainListHighlight(store::CurrentSlot - 1, target - 1);
    store::CurrentSlot = target;
    store::CurrentRecord = store::ClientTable[store::CurrentSlot];
    ShowCurrentRecord();
    gui::EZ_SETFOCUS(shell::DetailsForm, ClientNameBox);
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
