// Any bytes as "Clients.dat", through the whole path the program takes with them: the start
// (load, sort, fill the list, the start-up scan), a click on every column title, the details
// window for the first and the last client, a scan over every known day and every report style
// built into a document, and the exit with its save.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/client_list.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "details/details_window.h"
#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "followup/scan_results_window.h"
#include "fuzz_program.h"
#include "mail/mail_message.h"
#include "platform/gui/ez.h"
#include "reports/print_window.h"
#include "reports/report_engine.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/history.h"
#include "store/text_field.h"

namespace {

void RequireListShowsTheTable() {
    const int rows = gui::ListRowCount(shell::MainForm, shell::MainList);
    fuzzing::Require(rows == app::MainWindow.ClientCount, "the list and the client count differ");
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        const bool listed = slot <= app::MainWindow.ClientCount;
        fuzzing::Require(listed == (store::ClientTable[slot].InUse > 0),
                         "the clients are not in slots 1..n after a sort");
    }
    for (int row = 0; row < rows; row += 97) {
        for (const std::string& cell : gui::ListRowTexts(shell::MainForm, shell::MainList, row)) {
            fuzzing::Require(fuzzing::IsValidUtf8(cell), "the list shows a broken character");
        }
    }
}

void ClickEveryColumnTitle() {
    for (int column = 0; column < static_cast<int>(app::ColumnSortKeys.size()); ++column) {
        gui::NMLISTVIEW click;
        click.hdr.hwndFrom = gui::EZ_HANDLE(shell::MainForm, shell::MainList);
        click.hdr.idFrom = shell::MainList;
        click.hdr.code = gui::LVN_COLUMNCLICK;
        click.iSubItem = column;
        app::ColumnClickHook(app::MainWindow.FormHandle, gui::WM_NOTIFY, 0, &click);
        RequireListShowsTheTable();
    }
}

void ShowClientInDetails(int slot) {
    if (slot < 1 || slot > app::MainWindow.ClientCount) return;
    store::CurrentSlot = slot;
    store::CurrentRecord = store::ClientTable[static_cast<std::size_t>(slot)];
    store::CurrentClientNumber = store::CurrentRecord.ClientNumber;
    fuzzing::Require(
        store::HistoryFileName(store::CurrentClientNumber).rfind(fuzzing::DataFolder(), 0) == 0,
        "a history file name leaves the data folder");
    details::OpenDetailsWindow(shell::MainForm);
    // What the window shows of a damaged record is what a save would store again.
    const std::string shownName = gui::EZ_GETTEXT(shell::DetailsForm, details::ClientNameBox);
    fuzzing::Require(fuzzing::IsValidUtf8(shownName), "a box shows a broken character");
    mail::Message message;
    message.recipients =
        mail::SplitRecipients(gui::EZ_GETTEXT(shell::DetailsForm, details::EMailBox),
                              gui::EZ_GETTEXT(shell::DetailsForm, details::EMailBox));
    // Whatever the field holds, it can only name recipients: no header, no option.
    const std::string url = mail::MailtoUrl(message);
    const std::string_view start = "mailto:";
    const std::string_view end = "?subject=&body=";
    fuzzing::Require(url.size() >= start.size() + end.size() && url.rfind(start, 0) == 0 &&
                         url.substr(url.size() - end.size()) == end,
                     "the mail URL is not made of the addresses alone");
    const std::string addresses = url.substr(start.size(), url.size() - start.size() - end.size());
    fuzzing::Require(
        addresses.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                    "0123456789-._~@+%,") == std::string::npos,
        "an e-mail address reaches the mail URL unencoded");
    gui::EZ_UNLOADFORM(shell::DetailsForm);
    fuzzing::Require(!gui::EZ_ISFORM(shell::DetailsForm), "the details window did not close");
}

// Every style, the list styles over every listed client; the page styles, which cost a page
// each, over the first and the last clients of the list only, so that one input stays fast.
void PrintEveryStyle() {
    const auto clients = reports::ChooseClients(shell::MainForm, 0);
    fuzzing::Require(clients.size() == static_cast<std::size_t>(app::MainWindow.ClientCount),
                     "a report leaves out a listed client");
    constexpr std::size_t PagesAtEachEnd = 8;
    std::vector<const store::ClientRecord*> ends;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        if (i < PagesAtEachEnd || i + PagesAtEachEnd >= clients.size()) ends.push_back(clients[i]);
    }
    for (int number = 0; number < reports::ReportStyleCount; ++number) {
        const auto style = static_cast<reports::ReportStyle>(number);
        const bool pagePerClient = style == reports::ReportStyle::PagePerClientWithHistory ||
                                   style == reports::ReportStyle::PagePerClientNoHistory;
        reports::PrintReport(pagePerClient ? ends : clients, style, true);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::StartOffscreenProgram(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::EmptyDataFolder();
    fuzzing::PlaceDataFile(store::DataFileName, data, size);
    store::ResetClientStore();
    app::StartProcedure("");
    fuzzing::Require(gui::EZ_ISFORM(shell::MainForm), "the program did not start on the file");
    RequireListShowsTheTable();
    // The start-up scan may have opened its results; the list below is the main window's.
    if (gui::EZ_ISFORM(shell::ScanResultsForm)) gui::EZ_UNLOADFORM(shell::ScanResultsForm);

    ClickEveryColumnTitle();
    ShowClientInDetails(1);
    ShowClientInDetails(app::MainWindow.ClientCount);
    followup::ScanFollowUps(followup::FirstDayOfWindow, followup::LastDayOfWindow, shell::MainForm,
                            1);
    if (gui::EZ_ISFORM(shell::ScanResultsForm)) {
        reports::PrintReport(reports::ChooseClients(shell::ScanResultsForm, 0),
                             reports::ReportStyle::ListByFollowUpDate, true);
        gui::EZ_UNLOADFORM(shell::ScanResultsForm);
    }
    PrintEveryStyle();

    fuzzing::CloseProgram();
    fuzzing::Require(store::SaveNeeded == 0, "the exit did not save the table");
    fuzzing::RequireNothingOutsideDataFolder();
    return 0;
}
