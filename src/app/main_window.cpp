#include "app/main_window.h"

#include "app/autosave.h"
#include "app/client_list.h"
#include "app/delete_clients.h"
#include "app/startup.h"
#include "details/details_window.h"
#include "followup/scan_window.h"
#include "options/options_window.h"
#include "platform/gui/accessible_names.h"
#include "platform/gui/ez.h"
#include "reports/print_window.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "shell/sort_key.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "transfer/export_clients.h"
#include "transfer/import_window.h"
#include "transfer/restore_window.h"

namespace app {

MainWindowState MainWindow;

namespace {

constexpr const char* StatusNotice = " Double-click a client to open it";

constexpr double ButtonRow = 21.1875;
constexpr double ButtonWidth = 7.875;
constexpr double ButtonHeight = 1.5;

// The row's slot, or 0 when no row is highlighted.
std::int32_t FirstSelectedSlot() {
    return gui::FirstSelectedRow(shell::MainForm, shell::MainList) + 1;
}

void RefreshSelection() {
    store::CurrentSlot = FirstSelectedSlot();
    if (store::CurrentSlot > 0) {
        gui::EZ_ENABLEC(shell::MainForm, EditButton);
    } else {
        gui::EZ_DISABLEC(shell::MainForm, EditButton);
    }
    ShowSelectedCount();
}

void OpenSelectedClient() {
    store::CurrentSlot = FirstSelectedSlot();
    if (store::CurrentSlot <= 0 || store::CurrentSlot > store::MaxClients) return;
    store::CurrentRecord = store::ClientTable[store::CurrentSlot];
    store::CurrentClientNumber = store::CurrentRecord.ClientNumber;
    details::OpenDetailsWindow(shell::MainForm);
}

void AddClient() {
    gui::EZ_SETSELECT(shell::MainForm, shell::MainList, -1, 0, 0, 0, 0);
    ShowSelectedCount();
    store::CurrentRecord = store::EmptyRecord();
    store::CurrentSlot = 0;
    store::CurrentClientNumber = 0;
    details::OpenDetailsWindow(shell::MainForm);
}

// The save at exit. When it fails the user is told why and chooses: stay (the default), with
// every change kept in memory, to make room and exit again, or exit without saving. At the
// end of the session nobody can be asked: the file on disk stays as it was last saved.
bool SaveAtExit(bool sessionEnds) {
    // A folder that may not be written was named at the start; its changes were never kept.
    if (!store::DataWritable() || store::SaveClientTable() || sessionEnds) return true;
    const int exitAnyway = gui::EZ_MSGBOX(
        shell::MainForm,
        "The clients could not be saved to \"" + store::DataFilePath() + "\" (" +
            store::LastFileError() +
            "). The file on disk is unchanged.\n\nExit without saving? Your changes since the "
            "last save would be lost. Choose No to stay in Vendrix 2, free some disk space or "
            "check the folder, and exit again.{S}",
        "Clients Not Saved", "NY");
    return exitAnyway == 1;
}

// The close request: the optional question, then the save. At the end of the desktop session
// (or on a termination signal) nothing is asked and the close cannot be refused.
void CloseMainWindow(int value, int& cancel) {
    const bool sessionEnds = value == gui::CLOSE_SESSION_END;
    if (!sessionEnds && store::ProgramSettings.ConfirmExit != 0 &&
        gui::EZ_MSGBOX("", "Are you sure?{?}", "Exit Vendrix 2?", "YN") != 1) {
        cancel = 1;
        return;
    }
    if (!SaveAtExit(sessionEnds)) {
        cancel = 1;
        return;
    }
    CancelScheduledSave();
    SaveOnAbruptExit(false);
    if (shell::HelpOpen != 0) gui::EZ_WINHELP(shell::MainForm, "Vendrix2.hlp", "", "Q");
    store::CloseDataFolder();
}

void RunListCommand(int command) {
    switch (command) {
        case ExportHighlightedCommand:
            transfer::ExportClients(true);
            break;
        case ExportAllCommand:
            transfer::ExportClients(false);
            break;
        case ImportCommand:
            transfer::ImportClients(shell::MainForm);
            break;
        case RestoreCommand:
            transfer::OpenRestoreWindow(shell::MainForm);
            break;
        default:
            break;
    }
}

void HandleListEvent(int code, int& value) {
    RefreshSelection();
    if (code == gui::EV_DBLCLICK) {
        ShowSelectedCount();
        OpenSelectedClient();
    } else if (code == gui::EV_KEY) {
        if (value == gui::VK_DELETE) {
            DeleteSelectedClients();
        } else if (value == gui::VK_RETURN) {
            OpenSelectedClient();
        } else if (value >= 48 && value <= 122 && shell::ActiveSortKey.start == 1) {
            TypeAhead(value);
            RefreshSelection();
        }
    }
}

}  // namespace

void OpenMainWindow(const std::string& parent) {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_FORM(shell::MainForm, parent, shell::ProgramCaption, 0, 0, 71.625, 24.375, "_CK");
}

void BuildMainWindow() {
    // The table is read and sorted first, while the fonts are still being loaded beside.
    MainWindow.LoadFailed = false;
    std::string reason;
    MainWindow.LastLoad = store::LoadClientTable(&reason);
    if (MainWindow.LastLoad == store::LoadOutcome::Unreadable) {
        gui::EZ_MSGBOX("",
                       "The client file \"" + store::DataFilePath() + "\" cannot be read (" +
                           reason +
                           "). Vendrix 2 will stop so that nothing is saved in its place; check "
                           "the file, or the drive it is on, and start again.{S}",
                       "Clients Not Loaded", "OK");
        // Nothing is saved at exit while the table in memory is not the file's.
        store::SaveNeeded = 0;
        MainWindow.LoadFailed = true;
    }
    const shell::SortKey remembered{store::ProgramSettings.SortKeyStart,
                                    store::ProgramSettings.SortKeyLength};
    shell::ActiveSortKey =
        store::ProgramSettings.RememberSortColumn != 0 && IsValidSortKey(remembered)
            ? remembered
            : shell::ClientNameKey;
    SortClientTable();
    gui::EZ_COLOR(-1, -1);
    gui::EZ_SETLAYER(0);
    gui::EZ_USEFONT(shell::MainFont);
    gui::EZ_LISTVIEW(shell::MainList, 1.875, 0.75, 67.875, 19.875, ClientListColumns, "-#MSV");
    gui::SetControlName(shell::MainForm, shell::MainList, "Clients");
    gui::EZ_BUTTON(AddButton, 33.75, ButtonRow, ButtonWidth, ButtonHeight, "&Add", "T");
    gui::EZ_BUTTON(EditButton, 43.125, ButtonRow, ButtonWidth, ButtonHeight, "&Edit", "T");
    gui::EZ_BUTTON(PrintButton, 52.5, ButtonRow, ButtonWidth, ButtonHeight, "&Print", "T");
    gui::EZ_BUTTON(ExitButton, 61.875, ButtonRow, ButtonWidth, ButtonHeight, "E&xit", "T");
    gui::EZ_BUTTON(ScanButton, 20.625, ButtonRow, ButtonWidth, ButtonHeight, "&Scan", "T");
    gui::EZ_BUTTON(OptionsButton, 11.25, ButtonRow, ButtonWidth, ButtonHeight, "&Options", "T");
    gui::EZ_BUTTON(HelpButton, 1.875, ButtonRow, ButtonWidth, ButtonHeight, "&Help", "T");
    // The list is filled before the status bar is made: until the status bar, nothing here
    // waits for the fonts, which are still loading beside this work.
    FillClientList();
    gui::SetContextMenu(shell::MainForm, shell::MainList,
                        {{ExportHighlightedCommand, "Export &Highlighted Clients...", "Ctrl+E"},
                         {ExportAllCommand, "Export &All Clients...", "Ctrl+Shift+E"},
                         {ImportCommand, "&Import Clients...", "Ctrl+I"},
                         {RestoreCommand, "&Restore from a Backup...", "Ctrl+Shift+R"}});
    gui::EZ_CONTROLEX("", StatusBar, 0, 1, 1, 1, "MSCTLS_STATUSBAR32", "",
                      gui::WS_CHILD | gui::WS_VISIBLE, 0);
    gui::EZ_SETSBPARTS(shell::MainForm, StatusBar, 3, "50|25|25");
    gui::EZ_SETSBTEXT(shell::MainForm, StatusBar, 1, StatusNotice, "");
    ShowClientCount();
    ShowSelectedCount();
    gui::EZ_DISABLEC(shell::MainForm, EditButton);
    gui::EZ_DISPLAYLAYER(shell::MainForm, 1, 0);
    MainWindow.FormHandle = gui::EZ_HANDLE(shell::MainForm, 0);
    gui::EZ_HOOKDIALOGPROC(ColumnClickHook);
}

void HandleMainWindowEvent(int& id, int& code, int& value, int& cancel) {
    if (id == 0) {
        if (code == gui::EV_CLOSE) CloseMainWindow(value, cancel);
        return;
    }
    if (id == shell::MainList && code == gui::EV_MENU) {
        RunListCommand(value);
        return;
    }
    if (id == shell::MainList) {
        HandleListEvent(code, value);
        return;
    }
    if (code == gui::EV_KEY && value == gui::VK_RETURN) {
        value = gui::VK_TAB;  // Enter on a button moves on like Tab
        return;
    }
    if (code != gui::EV_CLICK) return;
    switch (id) {
        case AddButton:
            AddClient();
            break;
        case EditButton:
            OpenSelectedClient();
            break;
        case PrintButton:
            reports::OpenPrintWindow(shell::MainForm);
            break;
        case ExitButton:
            gui::EZ_UNLOADFORM(shell::MainForm);
            break;
        case ScanButton:
            shell::ManualScanFlag = 1;
            followup::OpenScanWindow(shell::MainForm);
            break;
        case OptionsButton:
            options::OpenOptionsWindow(shell::MainForm);
            break;
        case HelpButton:
            shell::HelpOpen =
                gui::EZ_WINHELP(shell::MainForm, shell::HelpFilePath, "Contents", "K");
            break;
        default:
            break;
    }
}

}  // namespace app
